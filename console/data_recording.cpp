#include "console/data_recording.h"

#include <QCoreApplication>

#include "console/control_ids.h"
#include "console/publish_outputs.h"
#include "console/publish_section.h"
#include "meter/recording_file.h"
#include "meter/recording_row.h"
#include "platform/qt_text.h"
#include "runtime/date_time.h"
#include "runtime/program_paths.h"

namespace console {
namespace {

// The record box's help texts are the program's own, written in English and
// shown in the user's language.
struct RecordBox {
    Q_DECLARE_TR_FUNCTIONS(RecordBox)
};

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
QString failureNote(RecordingStep step) {
    switch (step) {
    case RecordingStep::CreateFailed:
        return RecordBox::tr("This file could not be created in this folder (no write permission, the folder "
                             "was deleted, or the disk is full): no data was recorded.");
    case RecordingStep::OpenFailed:
        return RecordBox::tr("Another program holds this file, or it could not be opened: the last row was not "
                             "recorded.");
    case RecordingStep::ReadOnly:
        return RecordBox::tr("This file is read-only: the last row was not recorded. Once it is writable again, "
                             "the next rows are recorded as usual.");
    case RecordingStep::WriteFailed:
        return RecordBox::tr("Writing to this file failed (no write permission, or the disk is full): the last row "
                             "was not recorded.");
    default:
        return {};
    }
}

// What is wrong with the [Publish] section, for the record box's tooltip.
QString publishingNote(const Console& console) {
    const auto& outputs = console.values.outputs;
    if (!outputs || outputs->problem().isEmpty()) return {};
    return RecordBox::tr("Publishing ([Publish] in the settings file) does not work: %1").arg(outputs->problem());
}

void countRow(ProgramValues& values, RecordingStep step) {
    switch (step) {
    case RecordingStep::RowInserted:
        ++values.rowsWritten;
        break;
    case RecordingStep::FileCreated:
        break;
    default:
        ++values.rowWriteFailures;
        break;
    }
}

// The record box's tooltip names the day's file and, after a failure, what
// failed. It is the only report of a failed write: the tick stays silent.
void describeRecording(const Console& console, const runtime::Path& path, const QString& note) {
    QString tip = RecordBox::tr("Recording file: %1").arg(platform::pathToQString(path));
    // An installed program's own folder takes no files: say where they went instead.
    if (path.parent_path() != runtime::ProgramDirectory()) {
        tip += QLatin1Char('\n') +
               RecordBox::tr("The program folder is not writable: recording files are kept in the working folder.");
    }
    if (!note.isEmpty()) tip += QLatin1Char('\n') + note;
    if (const QString publishing = publishingNote(console); !publishing.isEmpty()) tip += QLatin1Char('\n') + publishing;
    console.form.setToolTip(kRecordBox, tip);
}

void recordOneRow(Console& console, runtime::DateTime now) {
    const runtime::Path path = recordingFilePath(runtime::RecordingDirectory(), now);
    const RecordingStep step = recordRow(path, recordingRowText(now, readoutTexts(console.form)));
    countRow(console.values, step);
    describeRecording(console, path, failureNote(step));
}

}  // namespace

void onRecordingTick(Console& console) {
    platform::Form& form = console.form;
    // One reading of the clock for the whole tick, so a row near midnight
    // lands in the file of the day its time field names.
    const runtime::DateTime now = runtime::Now();
    clearStaleReadouts(console, now);
    if (form.checked(kRecordBox) == 1) recordOneRow(console, now);
    // The network sees every tick, recorded or not: a dashboard watches the
    // meter whether or not a file is kept.
    if (console.values.outputs) console.values.outputs->publish(console, now);
}

void startPublishing(Console& console) {
    console.values.outputs = PublishOutputs::create(readPublishSection());
    if (const QString note = publishingNote(console); !note.isEmpty()) console.form.setToolTip(kRecordBox, note);
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
