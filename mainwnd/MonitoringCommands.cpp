// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's monitoring commands: starting and stopping a run, storing its record, closing.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QScopeGuard>
#include <chrono>
#include <filesystem>
#include <variant>

#include "mainwnd/MainWindow.h"

#include "archive/RecordName.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "livesignal/LiveSignalListener.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/InputLevelWatch.h"
#include "mainwnd/InputMenu.h"
#include "mainwnd/ProfilePanel.h"
#include "platform/SettingsStore.h"
#include "session/MonitoringSession.h"
#include "views/MonitorView.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

namespace fs = std::filesystem;

}  // namespace

void MainWindow::ToggleMonitoring() {
    // Stopping is never refused: whatever the profile fields hold now, the run is named from
    // its start.
    if (m_session.IsRunning()) {
        StopRun();
        return;
    }
    if (m_playing) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertPlaying"));
        return;
    }
    const std::optional<Profile> profile = m_profile->RunProfileNow();
    if (!profile) {
        return;
    }
    // The run takes the device: the level watch lets it go first and does not listen again
    // while the run starts.
    m_startingRun = true;
    const auto started = qScopeGuard([this] { m_startingRun = false; });
    m_levelWatch->LetGo();
    ShowRecord(-1);
    if (m_session.Start({profile->name, profile->edc, std::chrono::system_clock::now()}) ==
        session::StartProblem::WorkingFilesFailed) {
        std::error_code ignored;
        m_prompts.ShowMessage(
            MessageKind::Error,
            Message("WorkingFilesFailed") + QLatin1Char('\n') +
                QString::fromStdString(fs::absolute(m_session.WorkFolder(), ignored).string()));
        UpdateLevelWatch();
        return;
    }
    m_monitorView->update();
}

void MainWindow::StopRun() {
    ShowRecord(-1);
    m_session.Stop();
    m_monitorView->update();
}

void MainWindow::RequestClose() {
    if (m_session.IsRunning()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        return;
    }
    close();
}

void MainWindow::ReportUnstoredRecording(const session::StoreOutcome& outcome, const QString& why) {
    if (outcome.result != session::StoreResult::KeptAside &&
        outcome.result != session::StoreResult::LeftInPlace) {
        return;
    }
    std::error_code ignored;
    const fs::path shown = fs::absolute(outcome.path, ignored);
    m_prompts.ShowMessage(MessageKind::Error,
                          why + QLatin1Char('\n') + QString::fromStdString(shown.string()));
}

void MainWindow::OnSessionReport(const session::SessionReport& report) {
    std::visit([this](const auto& told) { Tell(told); }, report);
}

void MainWindow::Tell(const session::RunClosed& closed) {
    m_monitorButton->update();
    m_monitorView->SetInputLevel(std::nullopt);
    UpdateLevelWatch();
    RefreshRecordList();
    ReportUnstoredRecording(closed.outcome, Message("RecordNotStored"));
}

void MainWindow::Tell(const session::RecordingFailed&) {
    if (m_session.IsRunning()) {
        StopRun();
    }
    m_prompts.ShowMessage(MessageKind::Error, Message("RecordingWriteStopped"));
}

void MainWindow::Tell(const session::KeptAsideRunsStored& stored) {
    RefreshRecordList();
    QString text = Message("KeptAsideStored");
    for (const fs::path& record : stored.records) {
        text += QLatin1Char('\n') + QString::fromStdString(record.filename().string());
    }
    m_prompts.ShowMessage(MessageKind::Warning, text);
}

void MainWindow::Tell(const session::InterruptedRunRecovered& recovered) {
    RefreshRecordList();
    if (recovered.outcome.result == session::StoreResult::Stored) {
        m_prompts.ShowMessage(
            MessageKind::Warning,
            Message("RunRecovered") + QLatin1Char('\n') +
                QString::fromStdString(recovered.outcome.path.filename().string()));
        return;
    }
    ReportUnstoredRecording(recovered.outcome, Message("RunRecovered") + QLatin1Char('\n') +
                                                   Message("RecordNotStored"));
}

void MainWindow::Tell(const session::CaptureFailed& failed) {
    // A run that never began leaves the window idle from now on, not only once its thread has
    // ended; a lost input's run has been closed and stored already.
    if (!failed.error.inputLost) {
        m_session.Stop();
    }
    m_prompts.ShowMessage(MessageKind::Error, failed.error.noSound ? Message("SoundInputSilent")
                                              : failed.error.inputLost
                                                  ? Message("SoundInputLost")
                                                  : CaptureErrorText(failed.error));
    m_monitorButton->update();
    m_monitorView->update();
    UpdateLevelWatch();
}

void MainWindow::Tell(const session::AudioDropped&) {
    // The run goes on; the record holds the dropped span as silence.
    m_prompts.ShowMessage(MessageKind::Warning, Message("AudioDropped"));
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
    m_playing = false;
    RequestButtonRepaint();
}

void MainWindow::OnAudioBlock(std::span<const std::uint8_t>) {}

void MainWindow::OnHeartRate(std::int32_t) {}

void MainWindow::OnCaptureClose() {}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A close from the window system while monitoring ends the run and keeps its record.
    m_session.Stop();
    Teardown();
    event->accept();
}

void MainWindow::Teardown() {
    if (m_tornDown) {
        return;
    }
    m_tornDown = true;
    m_levelWatch->LetGo();
    // The last run's record is stored before the program may end; nothing it does waits for
    // this thread.
    m_session.WaitUntilClosed();
    m_session.SetReporter({});
    m_profile->Save();
    m_controller.RemoveListener(*this);
    m_controller.RemoveListener(*m_liveSignal);
    m_controller.RemoveListener(*m_runLevel);
    if (m_options.quitOnClose) {
        QCoreApplication::exit(0);
    }
}

}  // namespace marulo::mainwnd
