#include "console/data_recording.h"

#include <QWidget>

#include "console/control_ids.h"
#include "console/recording_file.h"
#include "console/recording_row.h"
#include "platform/qt_text.h"
#include "runtime/date_time.h"
#include "runtime/files.h"
#include "runtime/program_paths.h"
#include "runtime/texts.h"

namespace console {
namespace {

void clearStaleReadouts(Console& console, runtime::DateTime now) {
    platform::Form& form = console.form;
    if (!readoutsStale(console.values.lastByteMonotonicMs, runtime::MonotonicMilliseconds(),
                       form.text(kUpdateStamp), now)) {
        return;
    }
    // Only the live values go: energy and charge are running totals, and the
    // temperature keeps its last reading.
    form.setText(kVoltageReadout, "0");
    form.setText(kCurrentReadout, "0");
    form.setText(kPowerReadout, "0");
    form.setText(kResistanceReadout, "0");
}

ReadoutTexts readoutTexts(const platform::Form& form) {
    return {form.text(kVoltageReadout), form.text(kCurrentReadout),    form.text(kPowerReadout),
            form.text(kResistanceReadout), form.text(kEnergyReadout), form.text(kChargeReadout),
            form.text(kTemperatureReadout)};
}

// What failed, for the tooltip; empty when nothing did.
runtime::Text failureNote(RecordingStep step) {
    switch (step) {
    case RecordingStep::CreateFailed:
        return runtime::Gbk("无法在此文件夹中创建此文件（没有写入权限、文件夹已被删除或磁盘已满），数据未记录。");
    case RecordingStep::OpenFailed:
        return runtime::Gbk("此文件正被其他程序占用或无法打开，上次的数据未记录。");
    case RecordingStep::ReadOnly:
        return runtime::Gbk("此文件是只读的，数据未记录；取消它的只读属性后，下一次的数据会照常写入。");
    case RecordingStep::WriteFailed:
        return runtime::Gbk("写入此文件失败（没有写入权限或磁盘已满），上次的数据未记录。");
    default:
        return {};
    }
}

// The record box's tooltip names the day's file and, after a failure, what
// failed. It is the only report of a failed write: the tick stays silent.
void describeRecording(const Console& console, const runtime::Text& path, const runtime::Text& note) {
    const platform::Form::Entry* box = console.form.find(kRecordBox);
    if (box == nullptr || box->widget == nullptr) return;
    runtime::Text tip = runtime::JoinTexts({runtime::Gbk("数据记录文件："), path});
    // An installed program's own folder takes no files: say where they went instead.
    if (!path.starts_with(runtime::JoinTexts({runtime::ProgramDirectory(), runtime::PathSeparator()}))) {
        tip = runtime::JoinTexts({tip, "\n", runtime::Gbk("程序目录不可写，记录文件保存在工作目录中。")});
    }
    if (!note.empty()) tip = runtime::JoinTexts({tip, "\n", note});
    box->widget->setToolTip(platform::toQString(tip));
}

}  // namespace

void onRecordingTick(Console& console) {
    platform::Form& form = console.form;
    // One reading of the clock for the whole tick, so a row near midnight
    // lands in the file of the day its time field names.
    const runtime::DateTime now = runtime::Now();
    clearStaleReadouts(console, now);
    if (form.checked(kRecordBox) != 1) return;

    const runtime::Text path = recordingFilePath(runtime::RecordingDirectory(), now);
    const RecordingStep step = recordRow(path, recordingRowText(now, readoutTexts(form)));
    describeRecording(console, path, failureNote(step));
}

void onRecordBoxClicked(Console& console) {
    platform::Form& form = console.form;
    const bool ticked = form.checked(kRecordBox) == 1;
    if (ticked) {
        describeRecording(console, recordingFilePath(runtime::RecordingDirectory(), runtime::Now()), {});
    }
    // Only an open port (green lamp) lets the box start or stop the tick; with
    // the port closed the box just changes its own state.
    if (form.fillColour(kPortLamp) != kLampGreen) return;
    form.setInterval(kRecordingTimer, ticked ? recordingIntervalMs(form.text(kRecordingSeconds)) : 0);
}

void applyRecordingInterval(Console& console) {
    platform::Form& form = console.form;
    form.setInterval(kRecordingTimer, recordingIntervalMs(form.text(kRecordingSeconds)));
}

}  // namespace console
