// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's monitoring commands: starting and stopping a run, storing its record, closing.
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QThread>
#include <filesystem>

#include "mainwnd/MainWindow.h"

#include "archive/RecordName.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/Profile.h"
#include "mainwnd/RecordStore.h"
#include "platform/DayNumbers.h"
#include "platform/SettingsStore.h"
#include "views/MonitorView.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

void MainWindow::ToggleMonitoring() {
    if (m_playing) {
        ShowMessage(MessageKind::Warning, Message("AlertPlaying"));
        return;
    }
    if (!ValidateProfile()) {
        return;
    }
    const bool capturing = m_controller.IsCapturing();
    // A name that cannot be part of a file name could not name the recording at its end.
    if (!capturing && archive::CheckRecordName(NameBytes(), ControlText(EdcText())) !=
                          archive::NameProblem::None) {
        ShowMessage(MessageKind::Error, Message("NameInvalid"));
        m_nameBox->setFocus();
        return;
    }
    ShowRecord(-1);
    if (capturing) {
        m_controller.StopCapture();
    } else {
        m_controller.StartCapture();
    }
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
    const std::string name = NameBytes();
    const std::string edc = ControlText(EdcText());
    const StoreOutcome outcome =
        StoreWorkingArchive(archivePath, name, edc, platform::NowLocalTime());
    RefreshRecordList();
    if (outcome.result == StoreResult::KeptAside || outcome.result == StoreResult::LeftInPlace) {
        std::error_code ignored;
        const std::filesystem::path shown = std::filesystem::absolute(outcome.path, ignored);
        const QString text =
            Message("RecordNotStored") + QLatin1Char('\n') + QString::fromStdString(shown.string());
        // The box comes after the capture thread has gone on with its closing steps.
        QMetaObject::invokeMethod(
            this, [this, text] { ShowMessage(MessageKind::Error, text); }, Qt::QueuedConnection);
    }
}

void MainWindow::InstallCaptureErrorReporter() {
    m_errorReporterInstalled = true;
    m_controller.SetErrorReporter([this](const acquisition::CaptureError& error) {
        const QString text = error.anyCaptureDevice && !error.systemText.empty()
                                 ? FromUtf8(error.systemText)
                                 : Message("ConnFailed");
        // The capture thread waits until the user has closed the box.
        QMetaObject::invokeMethod(
            this, [this, text] { ShowMessage(MessageKind::Error, text); },
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
        m_controller.WaitUntilIdle(
            [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
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
