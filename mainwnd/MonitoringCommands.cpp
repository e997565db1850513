// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's monitoring commands: starting and stopping a run, storing its record, closing.
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QThread>
#include <chrono>
#include <filesystem>

#include "mainwnd/MainWindow.h"

#include "acquisition/Recorder.h"
#include "archive/RecordName.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/Profile.h"
#include "mainwnd/RecordStore.h"
#include "mainwnd/RunRecovery.h"
#include "platform/DayNumbers.h"
#include "platform/SettingsStore.h"
#include "platform/StdioFile.h"
#include "views/MonitorView.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

namespace fs = std::filesystem;

// Whether the run's working files can be made here; a file that exists (from a review) is only
// opened, never cut.
bool CanCreateWorkingFiles() {
    for (const char* file :
         {acquisition::kWorkingWavFile, acquisition::kWorkingTraceFile, kRunMarkerFile}) {
        std::error_code error;
        const bool existed = fs::exists(file, error);
        if (!platform::OpenStdioFile(file, "ab")) {
            return false;
        }
        if (!existed) {
            fs::remove(file, error);
        }
    }
    return true;
}

void PumpWithoutInput() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

void MainWindow::ToggleMonitoring() {
    // Stopping is never refused: whatever the profile fields hold now, the run is named from
    // its start.
    if (m_controller.IsCapturing()) {
        StopRun();
        return;
    }
    if (m_playing) {
        ShowMessage(MessageKind::Warning, Message("AlertPlaying"));
        return;
    }
    if (!ValidateProfile()) {
        return;
    }
    const std::string name = NameBytes();
    const std::string edc = ControlText(EdcText());
    // A name that cannot be part of a file name could not name the recording at its end.
    if (archive::CheckRecordName(name, edc) != archive::NameProblem::None) {
        ShowMessage(MessageKind::Error, Message("NameInvalid"));
        m_nameBox->setFocus();
        return;
    }
    // The previous run may still be storing its record under its own profile.
    if (m_controller.AnyThreadRunning()) {
        m_controller.WaitUntilIdle(PumpWithoutInput);
    }
    if (!CanCreateWorkingFiles()) {
        std::error_code ignored;
        ShowMessage(MessageKind::Error,
                    Message("WorkingFilesFailed") + QLatin1Char('\n') +
                        QString::fromStdString(fs::current_path(ignored).string()));
        return;
    }
    ShowRecord(-1);
    m_runProfile = RunProfile{name, edc, std::chrono::system_clock::now()};
    m_controller.StartCapture();
    m_monitorView->update();
}

void MainWindow::StopRun() {
    ShowRecord(-1);
    m_controller.StopCapture();
    m_monitorView->update();
}

bool MainWindow::ValidateProfile() {
    if (m_nameBox->text().isEmpty()) {
        ShowMessage(MessageKind::Error, Message("NameError"));
        m_nameBox->setFocus();
        return false;
    }
    if (EdcText().isEmpty()) {
        ShowMessage(MessageKind::Error, Message("EDCError"));
        return false;
    }
    return true;
}

void MainWindow::RequestClose() {
    if (m_controller.IsCapturing()) {
        ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        return;
    }
    close();
}

void MainWindow::StoreRecord(const std::string& archivePath) {
    const RunProfile profile = m_runProfile.value_or(
        RunProfile{NameBytes(), ControlText(EdcText()), std::chrono::system_clock::now()});
    const StoreOutcome outcome =
        StoreFinishedRun(archivePath, acquisition::kWorkingWavFile, acquisition::kWorkingTraceFile,
                         profile.name, profile.edcText, platform::NowLocalTime());
    SettleRunMarker(kRunMarkerFile, outcome);
    // Room for this record may be room for those that were kept aside for want of it.
    if (outcome.result == StoreResult::Stored) {
        StoreKeptAsideRunsAndTell();
    }
    RefreshRecordList();
    ReportUnstoredRecording(outcome, Message("RecordNotStored"));
}

void MainWindow::StoreKeptAsideRunsAndTell() {
    const std::vector<fs::path> stored = StoreKeptAsideRuns();
    if (stored.empty()) {
        return;
    }
    QString text = Message("KeptAsideStored");
    for (const fs::path& record : stored) {
        text += QLatin1Char('\n') + QString::fromStdString(record.filename().string());
    }
    QMetaObject::invokeMethod(
        this, [this, text] { ShowMessage(MessageKind::Warning, text); }, Qt::QueuedConnection);
}

void MainWindow::ReportUnstoredRecording(const StoreOutcome& outcome, const QString& why) {
    if (outcome.result != StoreResult::KeptAside && outcome.result != StoreResult::LeftInPlace) {
        return;
    }
    std::error_code ignored;
    const fs::path shown = fs::absolute(outcome.path, ignored);
    const QString text = why + QLatin1Char('\n') + QString::fromStdString(shown.string());
    // The box comes after the capture thread has gone on with its closing steps.
    QMetaObject::invokeMethod(
        this, [this, text] { ShowMessage(MessageKind::Error, text); }, Qt::QueuedConnection);
}

void MainWindow::RecoverInterruptedRunAtStart() {
    RemoveLeftoversOfKilledWork();
    const RecoveryOutcome recovered = RecoverInterruptedRun();
    StoreKeptAsideRunsAndTell();
    if (recovered.result != RecoveryResult::Stored) {
        return;
    }
    if (recovered.store.result == StoreResult::Stored) {
        const QString text = Message("RunRecovered") + QLatin1Char('\n') +
                             QString::fromStdString(recovered.store.path.filename().string());
        QMetaObject::invokeMethod(
            this, [this, text] { ShowMessage(MessageKind::Warning, text); }, Qt::QueuedConnection);
        return;
    }
    ReportUnstoredRecording(
        recovered.store, Message("RunRecovered") + QLatin1Char('\n') + Message("RecordNotStored"));
}

void MainWindow::OnRecordingFailed() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_controller.IsCapturing()) {
                StopRun();
            }
            ShowMessage(MessageKind::Error, Message("RecordingWriteStopped"));
        },
        Qt::QueuedConnection);
}

namespace {

// The language file's key for a sound input problem; none when only the system's text tells.
const char* ProblemKey(platform::SoundInputProblem problem) {
    switch (problem) {
        case platform::SoundInputProblem::NoDevice:
            return "InputNoDevice";
        case platform::SoundInputProblem::FormatRefused:
            return "InputFormatRefused";
        case platform::SoundInputProblem::OpenFailed:
            return "InputOpenFailed";
        case platform::SoundInputProblem::ReadFailed:
            return "InputReadFailed";
        case platform::SoundInputProblem::Underrun:
            return "InputUnderrun";
        case platform::SoundInputProblem::Fatal:
            return "InputFatal";
        case platform::SoundInputProblem::FileUnreadable:
            return "InputFileUnreadable";
        case platform::SoundInputProblem::FileFormat:
            return "InputFileFormat";
        case platform::SoundInputProblem::Unknown:
            break;
    }
    return nullptr;
}

// The sound input's failure in the current language, else in the sound system's words.
QString CaptureErrorText(const acquisition::CaptureError& error) {
    if (!error.anyCaptureDevice) {
        return Message("ConnFailed");
    }
    if (const char* key = ProblemKey(error.problem)) {
        const QString text = Message(key);
        if (!text.isEmpty()) {
            return text.contains(QLatin1String("%1")) ? text.arg(FromUtf8(error.subject)) : text;
        }
    }
    return error.systemText.empty() ? Message("ConnFailed") : FromUtf8(error.systemText);
}

}  // namespace

void MainWindow::InstallCaptureErrorReporter() {
    m_errorReporterInstalled = true;
    m_controller.SetErrorReporter([this](const acquisition::CaptureError& error) {
        if (error.inputLost) {
            // The run has been closed and stored; the window is idle again.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_monitorView->update();
                    m_monitorButton->update();
                    ShowMessage(MessageKind::Error, Message("SoundInputLost"));
                },
                Qt::QueuedConnection);
            return;
        }
        const QString text = CaptureErrorText(error);
        // The capture thread waits until the user has closed the box. The run never began, so
        // the window is idle from then on, not only once its thread has ended.
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                ShowMessage(MessageKind::Error, text);
                m_controller.StopCapture();
                m_monitorButton->update();
                m_monitorView->update();
            },
            Qt::BlockingQueuedConnection);
    });
}

void MainWindow::RequestButtonRepaint() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_playButton->update();
            m_monitorButton->update();
        },
        Qt::QueuedConnection);
}

void MainWindow::OnCaptureOpen() {
    // The recorder has made the working files; from now until the record is stored they hold
    // this run, and after a crash they are stored at the next start.
    if (m_runProfile) {
        WriteRunMarker(kRunMarkerFile, *m_runProfile);
    }
    m_playing = false;
    RequestButtonRepaint();
}

void MainWindow::OnAudioBlock(std::span<const std::uint8_t>) {}

void MainWindow::OnHeartRate(std::int32_t) {}

void MainWindow::OnCaptureClose() {
    QMetaObject::invokeMethod(
        this, [this] { m_monitorButton->update(); }, Qt::QueuedConnection);
}

void MainWindow::OnRecordSaved(const std::string& archivePath) {
    if (QThread::currentThread() == thread()) {
        StoreRecord(archivePath);
        return;
    }
    // The controls live on the user-interface thread; the capture thread waits for the store.
    QMetaObject::invokeMethod(
        this, [this, archivePath] { StoreRecord(archivePath); }, Qt::BlockingQueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A close from the window system while monitoring ends the run and keeps its record.
    if (m_controller.IsCapturing()) {
        m_controller.StopCapture();
    }
    Teardown();
    event->accept();
}

void MainWindow::Teardown() {
    if (m_tornDown) {
        return;
    }
    m_tornDown = true;
    if (m_controller.AnyThreadRunning()) {
        m_controller.WaitUntilIdle(PumpWithoutInput);
    }
    m_monitorView->RemoveRecordSaveListener(*this);
    mainwnd::SaveProfile(*m_store, {NameBytes(), ControlText(EdcText())});
    m_controller.RemoveListener(*this);
    if (m_errorReporterInstalled) {
        m_controller.SetErrorReporter({});
    }
    if (m_options.quitOnClose) {
        QCoreApplication::exit(0);
    }
}

}  // namespace marulo::mainwnd
