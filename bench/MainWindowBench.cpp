// SPDX-License-Identifier: GPL-3.0-or-later
// Timed run of the whole window: start to first painted frame, CPU use while monitoring with the
// file-backed sound input, and resident memory.
//   main_window_bench [SECONDS]   (monitoring time, default 60)
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "acquisition/CaptureController.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/MonitoringPresenter.h"
#include "mainwnd/ProfilePanel.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInput.h"
#include "platform/SoundInputChoice.h"
#include "session/MonitoringSession.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// Notes when the window has painted for the first time.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point start = Clock::now();
    std::cout << std::unitbuf;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    if (seconds <= 0) {
        std::cerr << "usage: main_window_bench [SECONDS]\n";
        return 2;
    }
    std::string folder = (fs::temp_directory_path() / "marulo-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    fs::current_path(folder);
    fs::create_directories("Data");
    marulo::synth::SynthOptions sound;
    sound.seconds = seconds + 5.0;
    std::string error;
    if (!marulo::synth::WriteCaptureWav("input.wav", marulo::synth::SynthesizeCaptureBytes(sound),
                                        error)) {
        std::cerr << error << '\n';
        return 1;
    }
    marulo::platform::SetSoundInputFile((fs::path(folder) / "input.wav").string());

    int result = 0;
    {
        QApplication application(argc, argv);
        marulo::platform::SettingsStore store(fs::path(folder) / "profile.ini");
        marulo::platform::SoundInputChoice inputChoice;
        marulo::acquisition::CaptureController controller(
            [&inputChoice] { return inputChoice.CreateInput(); },
            &marulo::platform::AnyCaptureDeviceExists);
        marulo::session::MonitoringSession session(fs::current_path(), controller);
        marulo::mainwnd::MainWindowOptions options;
        options.profileStore = &store;
        options.quitOnClose = false;
        marulo::mainwnd::MainWindow window(controller, session, inputChoice, options);
        window.Prompts().SetMessageHook([](marulo::mainwnd::MessageKind, const QString& text) {
            std::cerr << "message: " << text.toStdString() << '\n';
        });
        FirstPaint firstPaint;
        window.installEventFilter(&firstPaint);
        window.CentreOnWorkArea();
        window.show();
        while (!firstPaint.painted) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const double startMs =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::cout << "start to first painted frame: " << startMs << " ms (goal < 300 ms)\n";

        marulo::mainwnd::FindControl<QLineEdit>(window, marulo::controls::kNameBoxId)
            ->setText(QStringLiteral("Anna"));
        window.findChild<marulo::mainwnd::ProfilePanel*>()->SetEdcText(
            QStringLiteral("2030-05-12"));
        window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
        if (!controller.IsCapturing()) {
            std::cerr << "monitoring did not start\n";
            result = 1;
        } else {
            const double cpuBefore = CpuSeconds();
            const Clock::time_point runStart = Clock::now();
            // A loop of its own: quitting the application would close the window.
            QEventLoop monitoring;
            QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, &monitoring, &QEventLoop::quit);
            monitoring.exec();
            const double wall = std::chrono::duration<double>(Clock::now() - runStart).count();
            const double cpu = CpuSeconds() - cpuBefore;
            std::cout << "CPU while monitoring: " << 100.0 * cpu / wall << " % of one core over "
                      << wall << " s (goal < 2 %)\n";
            std::cout << "resident memory while monitoring: " << ResidentKilobytes() / 1024.0
                      << " MB (goal < 80 MB)\n";
            window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
            controller.AwaitAllEnded();
        }
        window.close();
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return result;
}
