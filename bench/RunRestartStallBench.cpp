// SPDX-License-Identifier: GPL-3.0-or-later
// The longest stall of the window's event loop when a run is started right after a long run
// stops, while that run still packs and stores its record: the sound of the long run is fed as
// fast as the capture thread takes it.
//   run_restart_stall_bench [MINUTES]   (length of the first run, default 60)
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "acquisition/CaptureController.h"
#include "bench/UiStallMeter.h"
#include "controls/WindowLayout.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/MonitoringPresenter.h"
#include "mainwnd/ProfilePanel.h"
#include "platform/FileSoundInput.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInputChoice.h"
#include "session/MonitoringSession.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// 2 channels of 8000 unsigned 8-bit samples a second, after the 44-byte header.
constexpr std::uintmax_t kBytesPerSecond = 16000;

std::uintmax_t SizeOf(const fs::path& file) {
    std::error_code ignored;
    const std::uintmax_t size = fs::file_size(file, ignored);
    return ignored ? 0 : size;
}

std::size_t RecordCount() {
    std::size_t count = 0;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("Data", ignored)) {
        count += entry.path().extension() == ".zip" ? 1 : 0;
    }
    return count;
}

template <typename Condition>
bool PumpUntil(Condition condition, Clock::duration limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > end) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Names every event the window took longer than the goal over, so a stall can be traced.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool tracing = false;

    bool notify(QObject* receiver, QEvent* event) override {
        const Clock::time_point start = Clock::now();
        const int type = event->type();
        const bool result = QApplication::notify(receiver, event);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (tracing && ms > 50) {
            std::cout << "  slow event " << type << " to " << receiver->metaObject()->className()
                      << ": " << ms << " ms\n";
        }
        return result;
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::cout << std::unitbuf;
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 60;
    if (minutes <= 0) {
        std::cerr << "usage: run_restart_stall_bench [MINUTES]\n";
        return 2;
    }
    std::string folder = (fs::temp_directory_path() / "marulo-stall-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    fs::current_path(folder);
    fs::create_directories("Data");
    marulo::synth::SynthOptions sound;
    sound.seconds = minutes * 60.0;
    std::string error;
    const fs::path input = fs::path(folder) / "input.wav";
    if (!marulo::synth::WriteCaptureWav(input, marulo::synth::SynthesizeCaptureBytes(sound),
                                        error)) {
        std::cerr << error << '\n';
        return 1;
    }

    int result = 0;
    {
        TimedApplication application(argc, argv);
        marulo::platform::SettingsStore store(fs::path(folder) / "profile.ini");
        marulo::platform::SoundInputChoice inputChoice;
        // Blocks one after another without pause: an hour goes in a minute or two.
        marulo::acquisition::CaptureController controller(
            [&input] { return std::make_unique<marulo::platform::FileSoundInput>(input, 0ms); },
            [] { return true; });
        marulo::session::MonitoringSession session(fs::current_path(), controller);
        marulo::mainwnd::MainWindowOptions options;
        options.profileStore = &store;
        options.quitOnClose = false;
        marulo::mainwnd::MainWindow window(controller, session, inputChoice, options);
        window.Prompts().SetMessageHook([](marulo::mainwnd::MessageKind, const QString& text) {
            std::cerr << "message: " << text.toStdString() << '\n';
        });
        window.show();
        // The reference: the longest stall of the idle window over ten seconds, which is what
        // the machine itself costs (other work on its cores).
        {
            marulo::bench::UiStallMeter idle(&window);
            idle.Start();
            PumpUntil([] { return false; }, 10s);
            idle.Stop();
            std::cout << "longest stall of the idle window over 10 s: "
                      << idle.LongestMilliseconds() << " ms\n";
        }
        marulo::mainwnd::FindControl<QLineEdit>(window, marulo::controls::kNameBoxId)
            ->setText(QStringLiteral("Anna"));
        window.findChild<marulo::mainwnd::ProfilePanel*>()->SetEdcText(
            QStringLiteral("2030-05-12"));
        window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
        const std::uintmax_t target = 44 + kBytesPerSecond * 60 * minutes;
        const Clock::time_point fed = Clock::now();
        if (!PumpUntil([&] { return SizeOf("Data.wav") >= target; }, 30min)) {
            std::cerr << "the first run did not record its sound\n";
            return 1;
        }
        std::cout << minutes << " min of sound recorded in "
                  << std::chrono::duration<double>(Clock::now() - fed).count() << " s\n";

        marulo::bench::UiStallMeter meter(&window);
        application.tracing = true;
        meter.Start();
        const Clock::time_point stopped = Clock::now();
        window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
        // The next click, as soon as the loop takes it.
        QTimer::singleShot(0, &window, [&window] {
            window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
        });
        const bool reopened = PumpUntil(
            [] { return RecordCount() == 1 && SizeOf("Data.wav") >= 44 + kBytesPerSecond; }, 10min);
        meter.Stop();
        if (!reopened) {
            std::cerr << "the next run did not open after the first was stored\n";
            result = 1;
        }
        std::cout << "stop to the next run's first second: "
                  << std::chrono::duration<double, std::milli>(Clock::now() - stopped).count()
                  << " ms\n";
        std::cout << "longest stall of the window while the first run was stored: "
                  << meter.LongestMilliseconds() << " ms (goal < 50 ms)\n";
        window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
        window.close();
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return result;
}
