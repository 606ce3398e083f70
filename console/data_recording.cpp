#include "console/data_recording.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>
#include <filesystem>

#include "console/control_ids.h"
#include "console/publish_outputs.h"
#include "console/publish_section.h"
#include "storage/day_file_session.h"
#include "meter/recording_row.h"
#include "storage/recording_thread.h"
#include "platform/qt_text.h"
#include "runtime/date_time.h"
#include "storage/file_system.h"
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
    if (!meter::readoutsStale(console.values.lastByteMonotonicMs, runtime::MonotonicMilliseconds(),
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

meter::ReadoutTexts readoutTexts(const platform::Form& form) {
    return {form.text(kVoltageReadout), form.text(kCurrentReadout),    form.text(kPowerReadout),
            form.text(kResistanceReadout), form.text(kEnergyReadout), form.text(kChargeReadout),
            form.text(kTemperatureReadout)};
}

// What failed, for the tooltip; empty when nothing did.
QString failureNote(storage::RecordingStep step) {
    switch (step) {
    case storage::RecordingStep::CreateFailed:
        return RecordBox::tr("This file could not be created in this folder (no write permission, the folder "
                             "was deleted, or the disk is full): no data was recorded.");
    case storage::RecordingStep::OpenFailed:
        return RecordBox::tr("Another program holds this file, or it could not be opened: the last rows are kept "
                             "and written once it can be.");
    case storage::RecordingStep::ReadOnly:
        return RecordBox::tr("This file is read-only: the last row was not recorded. Once it is writable again, "
                             "the next rows are recorded as usual.");
    case storage::RecordingStep::RewriteUnfinished:
        return RecordBox::tr("An earlier rewrite of this file was cut short and cannot be finished yet (another "
                             "program locks part of it, or the disk is full): the file is left as it is until it "
                             "can be, and the last row was not recorded.");
    case storage::RecordingStep::WriteFailed:
        return RecordBox::tr("Writing to this file failed (no write permission, or the disk is full): the last row "
                             "was not recorded; the file keeps its content.");
    default:
        return {};
    }
}

QString fileNameText(const std::filesystem::path& path) { return platform::pathToQString(path.filename()); }

QString ignoredNote(const storage::IgnoredSideFile& side) {
    if (side.keptAs.empty()) {
        return RecordBox::tr("The side file %1 held no whole record (cut short before any row went in, or "
                             "damaged): it was not applied, and was removed.")
            .arg(fileNameText(side.path));
    }
    return RecordBox::tr("The side file %1 belongs to another file: it was not applied, and is kept as %2.")
        .arg(fileNameText(side.path), fileNameText(side.keptAs));
}

// What is wrong with the [Publish] section, for the record box's tooltip.
QString publishingNote(const Console& console) {
    const auto& outputs = console.values.outputs;
    if (!outputs || outputs->problem().isEmpty()) return {};
    return RecordBox::tr("Publishing ([Publish] in the settings file) does not work: %1").arg(outputs->problem());
}

// Rows written and failed, for the network outputs' counters.
void countRows(ProgramValues& values, const storage::RecordingThread::Report& report) {
    if (report.step == storage::RecordingStep::RowInserted) {
        values.rowsWritten += report.rows;
    } else if (report.step == storage::RecordingStep::FileCreated) {
        // Creating the day's file takes the batch's first row, as it always has.
        values.rowsWritten += report.rows > 0 ? report.rows - 1 : 0;
    } else {
        values.rowWriteFailures += report.rows;
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

// On the window thread, when the writer has written (or failed to write) rows.
void showReport(Console& console, const storage::RecordingThread::Report& report) {
    countRows(console.values, report);
    QString note = failureNote(report.step);
    for (const storage::IgnoredSideFile& side : report.ignored) {
        note += (note.isEmpty() ? QString() : QStringLiteral("\n")) + ignoredNote(side);
    }
    // A failed row may mean the folder has changed: learn it again next tick.
    if (!failureNote(report.step).isEmpty()) console.values.recordingDirectory.reset();
    describeRecording(console, report.dayFile, note);
}

storage::RecordingThread& recordingThreadOf(Console& console) {
    std::shared_ptr<storage::RecordingThread>& writer = console.values.recordingThread;
    if (!writer) {
        QWidget* window = console.form.window();
        writer = std::make_shared<storage::RecordingThread>(
            storage::NativeFileSystem(), [&console, window](storage::RecordingThread::Report report) {
                QMetaObject::invokeMethod(
                    window, [&console, report = std::move(report)] { showReport(console, report); },
                    Qt::QueuedConnection);
            });
    }
    return *writer;
}

const runtime::Path& recordingDirectory(Console& console) {
    std::optional<runtime::Path>& directory = console.values.recordingDirectory;
    if (!directory) directory = runtime::RecordingDirectory();
    return *directory;
}

}  // namespace

void onRecordingTick(Console& console) {
    platform::Form& form = console.form;
    // One reading of the clock for the whole tick, so a row near midnight
    // lands in the file of the day its time field names.
    const runtime::DateTime now = runtime::Now();
    clearStaleReadouts(console, now);
    if (form.checked(kRecordBox) == 1) {
        // The row is handed to the writer's thread; what happened to it comes
        // back to the record box's tooltip.
        const runtime::Path path = meter::recordingFilePath(recordingDirectory(console), now);
        recordingThreadOf(console).record(path, meter::recordingRowText(now, readoutTexts(form)));
    }
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
        console.values.recordingDirectory.reset();  // recording starts: learn the folder afresh
        describeRecording(console, meter::recordingFilePath(recordingDirectory(console), runtime::Now()), {});
    } else {
        endRecording(console);
    }
    // Only an open port (green lamp) lets the box start or stop the tick; with
    // the port closed the box just changes its own state.
    if (form.fillColour(kPortLamp) != kLampGreen) return;
    form.setInterval(kRecordingTimer, ticked ? meter::recordingIntervalMs(form.text(kRecordingSeconds)) : 0);
}

void endRecording(Console& console) {
    if (console.values.recordingThread) console.values.recordingThread->finish();
}

void applyRecordingInterval(Console& console) {
    platform::Form& form = console.form;
    form.setInterval(kRecordingTimer, meter::recordingIntervalMs(form.text(kRecordingSeconds)));
}

}  // namespace console
