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
        return RecordBox::tr("Writing to this file failed (no write permission, or the disk is full): the last rows "
                             "are kept and written once it can be; the file keeps its content.");
    case storage::RecordingStep::InUse:
        return RecordBox::tr("Another copy of the console or of kzrt-record records into this file: this copy "
                             "writes nothing to it, and keeps its rows until the other one stops.");
    case storage::RecordingStep::EndFailed:
        return RecordBox::tr("This file could not be completed when its recording ended (another program holds "
                             "it, or the disk is full): its last rows wait in the hidden log beside it and are "
                             "written as soon as it can be.");
    default:
        return {};
    }
}

QString fileNameText(const std::filesystem::path& path) { return platform::pathToQString(path.filename()); }

// What folding a log that a crash left did, when it was more than the usual.
QString foldNote(const storage::FoldNote& note) {
    using Kind = storage::FoldNote::Kind;
    switch (note.kind) {
    case Kind::kRowsMerged:
        return RecordBox::tr("%1 had changed since a recording into it was cut short: the %2 rows of that "
                             "recording it lacked were put in at their place by time.")
            .arg(fileNameText(note.dayFile))
            .arg(note.rows);
    case Kind::kRowsSetAside:
        return RecordBox::tr("%1 had changed since a recording into it was cut short, and its rows are not in "
                             "time order: it was left as it is, and the %2 rows of that recording it lacked are "
                             "kept in %3.")
            .arg(fileNameText(note.dayFile))
            .arg(note.rows)
            .arg(fileNameText(note.keptAs));
    case Kind::kDamagedLog:
        return RecordBox::tr("The hidden log of %1 was damaged: the file keeps every row it had with the log's "
                             "rows before the damage, and the log is kept as %2.")
            .arg(fileNameText(note.dayFile), fileNameText(note.keptAs));
    case Kind::kForeignLog:
        return RecordBox::tr("The side file %1 belongs to another file: it was not applied, and is kept as %2.")
            .arg(fileNameText(note.log), fileNameText(note.keptAs));
    case Kind::kEmptyLogRemoved:
        return RecordBox::tr("The side file %1 held no whole record (cut short before any row went in, or "
                             "damaged): it was not applied, and was removed.")
            .arg(fileNameText(note.log));
    }
    return {};
}

// What is wrong with the [Publish] section, for the record box's tooltip.
QString publishingNote(const Console& console) {
    const auto& outputs = console.values.outputs;
    if (!outputs || outputs->problem().isEmpty()) return {};
    return RecordBox::tr("Publishing ([Publish] in the settings file) does not work: %1").arg(outputs->problem());
}

// Rows written and failed, for the network outputs' counters.
void countRows(ProgramValues& values, const storage::RecordingThread::Report& report) {
    values.rowsWritten += report.written;
    values.rowWriteFailures += report.failed;
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
    for (const storage::FoldNote& fold : report.notes) {
        note += (note.isEmpty() ? QString() : QStringLiteral("\n")) + foldNote(fold);
    }
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

// The folder stays where it was learnt for the rest of the day.
const runtime::Path& recordingDirectory(Console& console, runtime::DateTime now) {
    std::optional<ProgramValues::RecordingFolder>& folder = console.values.recordingFolder;
    const runtime::Text day = meter::recordingFileName(now);
    if (!folder || folder->dayFileName != day) folder = ProgramValues::RecordingFolder{runtime::RecordingDirectory(), day};
    return folder->path;
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
        const runtime::Path path = meter::recordingFilePath(recordingDirectory(console, now), now);
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
        console.values.recordingFolder.reset();  // recording starts: learn the folder afresh
        const runtime::DateTime now = runtime::Now();
        describeRecording(console, meter::recordingFilePath(recordingDirectory(console, now), now), {});
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
