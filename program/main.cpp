// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry, where its parts meet: one copy per work folder; the capture controller on
// the system's sound input, the monitoring session in the work folder and the main window, centred
// on the work area; and the event loop. A request to end the program by signal closes the window
// as the window system would, so a running recording is stored first.
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "acquisition/CaptureController.h"
#include "app/InstanceLock.h"
#include "app/WorkFolder.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowTexts.h"
#include "mainwnd/LanguageMenu.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/WindowScale.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInput.h"
#include "platform/SoundInputChoice.h"
#include "platform/TerminationSignals.h"
#include "platform/WindowDestroyWatch.h"
#include "session/MonitoringSession.h"

int main(int argc, char** argv) {
    // A request to end that comes while the program starts (storing an interrupted run, say)
    // waits for the event loop instead of killing the program half-way.
    marulo::platform::TerminationSignals::HoldUntilInstalled();
    const double layoutScale = marulo::mainwnd::FitWindowScaleToScreen(argc, argv);
    QApplication application(argc, argv);
    // The file stand-in for the sound input is chosen here, once, for the whole run.
    if (const char* file = std::getenv(marulo::platform::kSoundInputFileVariable);
        file != nullptr && *file != '\0') {
        marulo::platform::SetSoundInputFile(file);
    }
    QApplication::setWindowIcon(marulo::controls::ApplicationIcon());
    QPointer<marulo::mainwnd::MainWindow> shown;
    const marulo::platform::TerminationSignals endRequests([&shown] {
        if (shown) {
            shown->close();
        } else {
            QCoreApplication::exit(0);
        }
    });

    const marulo::app::FolderLocation folder = marulo::app::WorkFolder();
    const std::filesystem::path workFolder = folder.drive + folder.directory;
    const marulo::app::InstanceLock lock(workFolder);
    // The folder, with the disk's own words, when the lock file cannot be written there.
    const QString unwritten = marulo::controls::Message("LockNotWritten") + QLatin1Char('\n') +
                              QString::fromStdString(folder.drive + folder.directory);
    if (!lock.Acquired()) {
        const QString text =
            lock.LockFileUnwritten() ? unwritten : marulo::controls::Message("AlreadyRunning");
        std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
        QMessageBox box(QMessageBox::Information, marulo::controls::Message("ProgramName"), text,
                        QMessageBox::Ok);
        box.exec();
        return 1;
    }

    {
        marulo::platform::SettingsStore store;
        marulo::mainwnd::TakeSystemLanguageAtFirstStart(store, QLocale::system());
    }
    int status = 0;
    {
        marulo::platform::SoundInputChoice inputChoice;
        marulo::acquisition::CaptureController controller(
            [&inputChoice] { return inputChoice.CreateInput(); },
            &marulo::platform::AnyCaptureDeviceExists);
        marulo::session::MonitoringSession session(workFolder, controller);
        marulo::mainwnd::MainWindow window(controller, session, inputChoice,
                                           {.layoutScale = layoutScale});
        shown = &window;
        window.CentreOnWorkArea();
        window.show();
        if (lock.LockFileUnwritten()) {
            // It started all the same: the folder lock holds it, and every write that fails later
            // says so or keeps its recording aside.
            QTimer::singleShot(0, &window, [&window, unwritten] {
                window.Prompts().ShowMessage(marulo::mainwnd::MessageKind::Warning, unwritten);
            });
        }
        // A window destroyed from outside cannot be seen or closed any more: end as for a close.
        const marulo::platform::WindowDestroyWatch destroyWatch(window.winId(),
                                                                [&window] { window.close(); });
        status = QApplication::exec();
    }
    // Every run is stored and the window gone. A sound server that hangs still holds a call
    // inside its library, whose teardown at exit would abort on it: leave without that.
    if (!marulo::platform::SoundSystemAnswers(std::chrono::seconds(1))) {
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
