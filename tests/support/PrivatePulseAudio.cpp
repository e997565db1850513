// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/PrivatePulseAudio.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/WaitFor.h"

namespace marulo::testing {

namespace {

using namespace std::chrono_literals;

constexpr std::size_t kBlockBytes = 1600;

}  // namespace

std::unique_ptr<PrivatePulseAudio> PrivatePulseAudio::Start(std::string& whyNot) {
    std::unique_ptr<PrivatePulseAudio> pulse(new PrivatePulseAudio());
    std::string pattern = (std::filesystem::temp_directory_path() / "marulo-pulse-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        whyNot = "cannot make a folder for the private PulseAudio";
        return nullptr;
    }
    pulse->m_dir = pattern;
    const auto run = pulse->m_dir / "run";
    const auto state = pulse->m_dir / "state";
    std::filesystem::create_directories(run);
    std::filesystem::create_directories(state);
    const std::string socket = (run / "native").string();
    const std::string fifo = (pulse->m_dir / "fifo").string();

    setenv("PULSE_RUNTIME_PATH", run.c_str(), 1);
    setenv("PULSE_STATE_PATH", state.c_str(), 1);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    unsetenv("PULSE_SINK");
    unsetenv("PULSE_SOURCE");

    const std::string nativeModule = "module-native-protocol-unix socket=" + socket;
    const std::string pipeModule =
        "module-pipe-source source_name=in file=" + fifo + " format=u8 rate=8000 channels=2";
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, STDIN_FILENO);
        dup2(devNull, STDOUT_FILENO);
        dup2(devNull, STDERR_FILENO);
        execlp("pulseaudio", "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
               "--disallow-exit", "--use-pid-file=no", "--log-target=stderr", "-L",
               nativeModule.c_str(), "-L", "module-null-sink sink_name=out", "-L",
               pipeModule.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (child < 0) {
        whyNot = "cannot start a process for PulseAudio";
        return nullptr;
    }
    pulse->m_daemon = child;
    const bool ready = WaitFor(
        [&] {
            int status = 0;
            if (waitpid(child, &status, WNOHANG) == child) {
                pulse->m_daemon = -1;
                return true;
            }
            return std::filesystem::exists(socket) && pulse->Pactl("info");
        },
        15s);
    if (pulse->m_daemon < 0 || !ready) {
        whyNot = "PulseAudio did not start (is the pulseaudio package installed?)";
        return nullptr;
    }
    if (!pulse->Pactl("set-default-source in") || !pulse->Pactl("set-default-sink out")) {
        whyNot = "PulseAudio started but refused its default source and sink";
        return nullptr;
    }
    return pulse;
}

PrivatePulseAudio::~PrivatePulseAudio() {
    StopFeeding();
    EndDaemon();
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
}

void PrivatePulseAudio::Pause(bool paused) {
    if (m_daemon > 0) {
        kill(m_daemon, paused ? SIGSTOP : SIGCONT);
    }
}

void PrivatePulseAudio::EndDaemon() {
    if (m_daemon <= 0) {
        return;
    }
    kill(m_daemon, SIGTERM);
    int status = 0;
    if (!WaitFor([&] { return waitpid(m_daemon, &status, WNOHANG) == m_daemon; }, 5s)) {
        kill(m_daemon, SIGKILL);
        waitpid(m_daemon, &status, 0);
    }
    m_daemon = -1;
}

bool PrivatePulseAudio::Pactl(const std::string& arguments) const {
    const std::string command = "pactl " + arguments + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::filesystem::path PrivatePulseAudio::Fifo(const std::string& source) const {
    return source == "in" ? m_dir / "fifo" : m_dir / (source + ".fifo");
}

bool PrivatePulseAudio::AddPipeSource(const std::string& name, const std::string& description) {
    const std::string command = "pactl load-module module-pipe-source source_name=" + name +
                                " file=" + Fifo(name).string() +
                                " format=u8 rate=8000 channels=2 source_properties=device." +
                                "description=" + description + " 2>/dev/null";
    FILE* pactl = popen(command.c_str(), "r");
    if (pactl == nullptr) {
        return false;
    }
    char index[32] = {};
    const bool read = std::fgets(index, sizeof index, pactl) != nullptr;
    if (pclose(pactl) != 0 || !read) {
        return false;
    }
    m_modules[name] = std::string(index, std::strcspn(index, "\n"));
    return true;
}

bool PrivatePulseAudio::RemovePipeSource(const std::string& name) {
    const auto module = m_modules.find(name);
    if (module == m_modules.end() || !Pactl("unload-module " + module->second)) {
        return false;
    }
    m_modules.erase(module);
    return true;
}

void PrivatePulseAudio::FeedPaced(std::vector<std::uint8_t> bytes, int speed,
                                  const std::string& source) {
    StopFeeding();
    m_stopFeeding = false;
    m_feedDone = false;
    m_feeder = std::thread([this, speed, fifo = Fifo(source), bytes = std::move(bytes)] {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            auto next = std::chrono::steady_clock::now();
            for (std::size_t offset = 0; offset < bytes.size() && !m_stopFeeding;) {
                std::this_thread::sleep_until(next);
                next += 100ms / std::max(1, speed);
                const std::size_t end = std::min(bytes.size(), offset + kBlockBytes);
                while (offset < end && !m_stopFeeding) {
                    pollfd writable{fd, POLLOUT, 0};
                    if (poll(&writable, 1, 100) <= 0) {
                        continue;
                    }
                    const ssize_t written = write(fd, bytes.data() + offset, end - offset);
                    if (written > 0) {
                        offset += static_cast<std::size_t>(written);
                    }
                }
            }
            close(fd);
        }
        m_feedDone = true;
    });
}

void PrivatePulseAudio::StopFeeding() {
    m_stopFeeding = true;
    if (m_feeder.joinable()) {
        m_feeder.join();
    }
}

}  // namespace marulo::testing
