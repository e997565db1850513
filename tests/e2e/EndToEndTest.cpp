// SPDX-License-Identifier: GPL-3.0-or-later
// The built program on a real X server, driven with real X input: one monitoring run of a
// synthetic heartbeat fed through a private sound server, its stored record, review and close.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureFormat.h"
#include "controls/WindowLayout.h"
#include "platform/DayNumbers.h"
#include "recordformat/WavFileWriter.h"
#include "tests/support/PrivatePulseAudio.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"
#include "tools/demo/StoredRecord.h"
#include "tools/synth/SyntheticRecording.h"

namespace marulo::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testing::WaitFor;

// The standard output of a shell command, and whether it succeeded.
std::optional<std::string> Output(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"),
                                               pclose);
    if (!pipe) {
        return std::nullopt;
    }
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
        text += buffer;
    }
    return pclose(pipe.release()) == 0 ? std::optional(text) : std::nullopt;
}

// A child process that is ended (and waited for) with the object unless it ended by itself.
class Child {
public:
    // Runs argv with extra environment settings (an empty value removes the variable) and its
    // output in logFile; keepFd stays open in the child.
    Child(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
          const fs::path& logFile, int keepFd = -1) {
        // Everything is prepared before the fork: the child of a threaded process may only
        // make system calls.
        std::vector<std::string> environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string text = *entry;
            if (!env.contains(text.substr(0, text.find('=')))) {
                environment.push_back(text);
            }
        }
        for (const auto& [name, value] : env) {
            if (!value.empty()) {
                environment.push_back(name + "=" + value);
            }
        }
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);

        m_pid = fork();
        if (m_pid == 0) {
            dup2(null, STDIN_FILENO);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            for (int fd = 3; fd < 256; ++fd) {
                if (fd != keepFd) {
                    close(fd);
                }
            }
            execvpe(args[0], args.data(), envp.data());
            _exit(127);
        }
        close(log);
        close(null);
    }
    ~Child() {
        if (Running()) {
            kill(m_pid, SIGTERM);
            if (!WaitFor([this] { return !Running(); }, 5s)) {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &m_status, 0);
            }
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const { return m_pid; }
    bool Running() {
        if (m_pid <= 0 || m_ended) {
            return false;
        }
        if (waitpid(m_pid, &m_status, WNOHANG) == m_pid) {
            m_ended = true;
        }
        return !m_ended;
    }
    // The exit status once ended by itself; nothing while running or when killed by a signal.
    std::optional<int> ExitStatus() {
        if (Running() || !m_ended || !WIFEXITED(m_status)) {
            return std::nullopt;
        }
        return WEXITSTATUS(m_status);
    }

private:
    pid_t m_pid = -1;
    int m_status = 0;
    bool m_ended = false;
};

// An Xvfb server on a display number it picks itself. It never resets: every xdotool query is a
// client, and a server resetting after its last client left turns away the program connecting.
class VirtualDisplay {
public:
    static std::unique_ptr<VirtualDisplay> Start(const fs::path& folder, std::string& whyNot) {
        int fds[2];
        if (pipe(fds) != 0) {
            whyNot = "no pipe for Xvfb";
            return nullptr;
        }
        auto display = std::unique_ptr<VirtualDisplay>(new VirtualDisplay());
        display->m_server = std::make_unique<Child>(
            std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     "1280x800x24", "-nolisten", "tcp", "-noreset"},
            std::map<std::string, std::string>{}, folder / "xvfb.log", fds[1]);
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        pollfd readable{fds[0], POLLIN, 0};
        char c = 0;
        while (poll(&readable, 1, 15000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(fds[0]);
        if (number.empty() || !display->m_server->Running()) {
            whyNot = "Xvfb could not start here (see " + (folder / "xvfb.log").string() + ")";
            return nullptr;
        }
        display->m_name = ":" + number;
        return display;
    }

    const std::string& Name() const { return m_name; }

private:
    VirtualDisplay() = default;
    std::unique_ptr<Child> m_server;
    std::string m_name;
};

// Real X input at client coordinates of one window, through xdotool.
class XInput {
public:
    XInput(std::string display, int left, int top)
        : m_prefix("DISPLAY=" + std::move(display) + " xdotool "), m_left(left), m_top(top) {}

    bool Click(int x, int y) const {
        // Not --sync: it waits for a motion that never comes when the pointer is there already.
        return Run("mousemove " + std::to_string(m_left + x) + " " + std::to_string(m_top + y) +
                   " sleep 0.1 click 1");
    }
    bool Type(const std::string& text) const { return Run("type --delay 60 '" + text + "'"); }
    bool Key(const std::string& keys) const { return Run("key " + keys); }

private:
    bool Run(const std::string& arguments) const {
        const bool done = std::system((m_prefix + arguments + " >/dev/null 2>&1").c_str()) == 0;
        std::this_thread::sleep_for(300ms);
        return done;
    }

    std::string m_prefix;
    int m_left = 0;
    int m_top = 0;
};

// A control's rectangle as left, top, right, bottom in client coordinates, and its centre.
struct Box {
    int left, top, right, bottom;
    int X() const { return (left + right) / 2; }
    int Y() const { return (top + bottom) / 2; }
};
constexpr Box BoxOf(int controlId) {
    const QRect rect = controls::ControlRect(controlId);
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}
constexpr Box kNameBox = BoxOf(controls::kNameBoxId);
constexpr Box kCalendarButton = BoxOf(controls::kCalendarButtonId);
constexpr Box kCalendar = BoxOf(controls::kEdcCalendarId);
constexpr Box kMonitorButton = BoxOf(controls::kMonitorButtonId);
constexpr Box kRecordList = BoxOf(controls::kRecordListId);
constexpr int kRecordItemHeight = 56;
constexpr Box kPlayButton = BoxOf(controls::kPlayButtonId);
constexpr Box kCloseButton = BoxOf(controls::kCloseButtonId);

std::map<std::string, int> WindowGeometry(const std::string& display, const std::string& window) {
    std::map<std::string, int> values;
    const auto text = Output("DISPLAY=" + display + " xdotool getwindowgeometry --shell " + window);
    std::size_t start = 0;
    while (text && start < text->size()) {
        const std::size_t end = text->find('\n', start);
        const std::string line = text->substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && line.substr(0, equals) != "SCREEN") {
            values[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        }
        start = end == std::string::npos ? text->size() : end + 1;
    }
    return values;
}

std::vector<fs::path> StoredArchives(const fs::path& data) {
    std::vector<fs::path> archives;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(data, ignored)) {
        if (entry.path().extension() == ".zip") {
            archives.push_back(entry.path());
        }
    }
    return archives;
}

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_root / "config");
        fs::create_directories(m_root / "runtime");
        fs::permissions(m_root / "runtime", fs::perms::owner_all);
        // The program and the files it reads at run time, not the test programs beside them.
        const fs::path built = MARULO_PROGRAM_DIR;
        fs::create_directories(m_program);
        for (const char* name : {"marulo", "Conf.ini", "Lang.ini"}) {
            if (fs::exists(built / name)) {
                fs::copy(built / name, m_program / name);
            }
        }
        fs::copy(built / "lang", m_program / "lang", fs::copy_options::recursive);
    }
    void TearDown() override {
        if (HasFailure()) {
            std::cerr << "program output and screenshots kept in " << m_root.Path() << '\n';
            m_root.Keep();
        }
    }

    testing::TempFolder m_root{"e2e"};
    fs::path m_program = m_root / "program";
};

TEST_F(EndToEnd, MonitorStoreReviewAndCloseWithRealInput) {
    std::string whyNot;
    const auto display = VirtualDisplay::Start(m_root.Path(), whyNot);
    if (!display) {
        GTEST_SKIP() << whyNot;
    }
    const auto pulse = testing::PrivatePulseAudio::Start(whyNot);
    ASSERT_TRUE(pulse) << whyNot;

    Child program({(m_program / "marulo").string()},
                  {{"DISPLAY", display->Name()},
                   {"QT_QPA_PLATFORM", ""},
                   {"MARULO_SOUND_INPUT_FILE", ""},
                   {"XDG_CONFIG_HOME", (m_root / "config").string()},
                   {"XDG_RUNTIME_DIR", (m_root / "runtime").string()},
                   {"LC_ALL", "C.UTF-8"},
                   {"LANGUAGE", ""}},
                  m_root / "marulo.log");
    std::string window;
    ASSERT_TRUE(WaitFor(
        [&] {
            const auto found =
                Output("DISPLAY=" + display->Name() + " xdotool search --onlyvisible --pid " +
                       std::to_string(program.Pid()));
            window = found ? found->substr(0, found->find('\n')) : "";
            return !window.empty();
        },
        20s))
        << "no visible window of the program";
    auto geometry = WindowGeometry(display->Name(), window);
    ASSERT_EQ(geometry["WIDTH"], 898);
    ASSERT_EQ(geometry["HEIGHT"], 627);
    const XInput input(display->Name(), geometry["X"], geometry["Y"]);
    // Screenshots are kept for looking into a failure; one that cannot be taken is only noted.
    const auto screenshot = [&](const std::string& name) {
        const std::string command = "DISPLAY=" + display->Name() + " import -window root " +
                                    (m_root / (name + ".png")).string() + " >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            std::cerr << "no screenshot " << name << '\n';
        }
    };
    std::this_thread::sleep_for(1s);

    // Name and due date.
    ASSERT_TRUE(input.Click(kNameBox.X(), kNameBox.Y()));
    ASSERT_TRUE(input.Key("ctrl+a"));
    ASSERT_TRUE(input.Type("Anna"));
    ASSERT_TRUE(input.Click(kCalendarButton.X(), kCalendarButton.Y()));
    // Next month, then a day in the middle rows of its grid: always a day of that month from
    // the 8th on, so after today and well within the pregnancy's 280 days.
    ASSERT_TRUE(input.Click(kCalendar.right - 13, kCalendar.top + 11));
    ASSERT_TRUE(input.Click(kCalendar.left + 64, kCalendar.top + 85));
    screenshot("1-profile");

    // Monitor for about eight seconds.
    const fs::path data = m_program / "Data";
    // The listener plays its heartbeat into the sound input in real time. The sound server
    // holds what comes before capture opens and hands it over at once, so start just before.
    pulse->FeedPaced(synth::SynthesizeCaptureBytes({60.0, 140.0, 150.0, 1}));
    ASSERT_TRUE(input.Click(kMonitorButton.X(), kMonitorButton.Y()));
    std::this_thread::sleep_for(8s);
    screenshot("2-monitoring");
    ASSERT_TRUE(StoredArchives(data).empty()) << "a record was stored before monitoring stopped";
    ASSERT_TRUE(input.Click(kMonitorButton.X(), kMonitorButton.Y()));
    ASSERT_TRUE(WaitFor([&] { return !StoredArchives(data).empty(); }, 15s))
        << "no record was stored in " << data << " (the program may have shown a message box)";
    screenshot("3-stored");

    // Review: the new record is the list's only item; selecting it unpacks the working files.
    ASSERT_TRUE(input.Click(kRecordList.X(), kRecordList.top + kRecordItemHeight / 2));
    EXPECT_TRUE(WaitFor([&] { return fs::exists(m_program / "Data.wav"); }, 5s))
        << "selecting the record did not load it";
    ASSERT_TRUE(input.Click(kPlayButton.X(), kPlayButton.Y()));
    EXPECT_TRUE(WaitFor(
        [&] {
            const auto streams = Output("pactl list short sink-inputs");
            return streams && !streams->empty();
        },
        5s))
        << "pressing play sent no sound to the output";
    std::this_thread::sleep_for(2s);
    screenshot("4-playing");

    ASSERT_TRUE(input.Click(kCloseButton.X(), kCloseButton.Y()));
    ASSERT_TRUE(WaitFor([&] { return !program.Running(); }, 10s)) << "the program did not close";
    EXPECT_EQ(program.ExitStatus(), std::optional(0));

    // The stored record: its name, its two items, and a trace that is what a fresh program
    // hears in its audio.
    const auto archives = StoredArchives(data);
    ASSERT_EQ(archives.size(), 1u);
    const std::string name = archives[0].filename().string();
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(name, parts, std::regex(R"(Anna_(\d{8})_(\d{17})\.zip)"))) << name;
    const std::string digits = parts[1].str();
    const auto edc =
        platform::DayNumberFromCivil(std::stoi(digits.substr(0, 4)), std::stoi(digits.substr(4, 2)),
                                     std::stoi(digits.substr(6, 2)));
    ASSERT_TRUE(edc) << name;
    const double today = std::floor(platform::NowDayNumber());
    EXPECT_GT(*edc, today) << name;
    EXPECT_LE(*edc, today + 62) << name;

    std::string error;
    const auto record = demo::ReadStoredRecord(archives[0], error);
    ASSERT_TRUE(record) << error;
    EXPECT_EQ(record->itemNames, (std::vector<std::string>{"Data.wav", "Data.hr"}));
    EXPECT_EQ(record->format, acquisition::CaptureFormat());
    EXPECT_GE(record->AudioSeconds(), 6.0);
    EXPECT_LE(record->AudioSeconds(), 12.0);
    EXPECT_EQ(record->trace, acquisition::AnalyzeCaptureBytes(record->audio));
    int near = 0;
    for (std::size_t second = 3; second < record->trace.size(); ++second) {
        near += record->trace[second] >= 132 && record->trace[second] <= 158;
    }
    EXPECT_GE(near * 2, static_cast<int>(record->trace.size()) - 3)
        << "the heartbeat fed in was not heard at its rate";
}

// Runs of the real program that end from outside: by signal, by the window system destroying
// the window, by kill -9 (stored at the next start), and a second copy on the same folder.
class EndedFromOutside : public EndToEnd {
protected:
    void SetUp() override {
        EndToEnd::SetUp();
        std::string whyNot;
        m_display = VirtualDisplay::Start(m_root.Path(), whyNot);
        if (!m_display) {
            GTEST_SKIP() << whyNot;
        }
        // The profile as an earlier session left it, so no typing is needed.
        const platform::CivilDateTime edc =
            platform::CivilFromDayNumber(std::floor(platform::NowDayNumber()) + 100);
        char edcText[16];
        std::snprintf(edcText, sizeof edcText, "%.4d-%.2d-%.2d", edc.year, edc.month, edc.day);
        fs::create_directories(m_root / "config" / "Quenfor");
        std::ofstream(m_root / "config" / "Quenfor" / "Marulo.ini")
            << "[General]\nName=Anna\nEDC=" << edcText << "\n";
        const std::vector<std::uint8_t> audio =
            synth::SynthesizeCaptureBytes({120.0, 140.0, 150.0, 1});
        const auto header = recordformat::WavHeader(acquisition::CaptureFormat(),
                                                    static_cast<std::uint32_t>(audio.size()));
        std::ofstream input(m_root / "input.wav", std::ios::binary);
        input.write(reinterpret_cast<const char*>(header.data()), header.size());
        input.write(reinterpret_cast<const char*>(audio.data()),
                    static_cast<std::streamsize>(audio.size()));
    }

    std::unique_ptr<Child> Start(const std::string& log) {
        return std::make_unique<Child>(
            std::vector<std::string>{(m_program / "marulo").string()},
            std::map<std::string, std::string>{
                {"DISPLAY", m_display->Name()},
                {"QT_QPA_PLATFORM", ""},
                {"MARULO_SOUND_INPUT_FILE", (m_root / "input.wav").string()},
                {"XDG_CONFIG_HOME", (m_root / "config").string()},
                {"XDG_RUNTIME_DIR", (m_root / "runtime").string()},
                {"LC_ALL", "C.UTF-8"},
                {"LANGUAGE", ""}},
            m_root / log);
    }

    // The first visible window of the process, empty when none shows in time.
    std::string WindowOf(Child& program, std::chrono::seconds limit = 20s) {
        std::string window;
        WaitFor(
            [&] {
                const auto found =
                    Output("DISPLAY=" + m_display->Name() + " xdotool search --onlyvisible --pid " +
                           std::to_string(program.Pid()));
                window = found ? found->substr(0, found->find('\n')) : "";
                return !window.empty();
            },
            limit);
        return window;
    }

    // Presses the monitoring button and waits until the run has recorded a few seconds.
    bool Monitor(const std::string& window) {
        auto geometry = WindowGeometry(m_display->Name(), window);
        const XInput input(m_display->Name(), geometry["X"], geometry["Y"]);
        return input.Click(kMonitorButton.X(), kMonitorButton.Y()) &&
               WaitFor(
                   [&] {
                       std::error_code e;
                       return fs::file_size(m_program / "Data.wav", e) >= 44 + 3 * 16000 && !e;
                   },
                   20s);
    }

    std::unique_ptr<VirtualDisplay> m_display;
};

TEST_F(EndedFromOutside, EveryRunIsStoredHoweverTheProgramIsEnded) {
    struct Case {
        const char* how;
        std::string command;  // run with the program's process id appended
        bool restart;         // killed outright: stored by the next start
    };
    const Case cases[] = {
        {"SIGTERM", "kill -TERM ", false}, {"SIGINT", "kill -INT ", false},
        {"SIGHUP", "kill -HUP ", false},   {"window destroyed", "", false},
        {"kill -9", "kill -KILL ", true},
    };
    const fs::path data = m_program / "Data";
    std::size_t stored = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        auto program = Start(std::string("marulo-") + c.how + ".log");
        const std::string window = WindowOf(*program);
        ASSERT_FALSE(window.empty()) << "no visible window of the program";
        std::this_thread::sleep_for(1s);
        ASSERT_TRUE(Monitor(window));
        if (c.command.empty()) {
            ASSERT_EQ(std::system(("DISPLAY=" + m_display->Name() + " xdotool windowclose " +
                                   window + " >/dev/null 2>&1")
                                      .c_str()),
                      0);
        } else {
            ASSERT_EQ(std::system((c.command + std::to_string(program->Pid())).c_str()), 0);
        }
        ASSERT_TRUE(WaitFor([&] { return !program->Running(); }, 20s)) << "it did not end";
        if (!c.restart) {
            EXPECT_EQ(program->ExitStatus(), std::optional(0));
        } else {
            EXPECT_TRUE(StoredArchives(data).size() == stored) << "stored before the restart";
            auto again = Start(std::string("marulo-") + c.how + "-again.log");
            // The box that tells of the recovered run.
            ASSERT_TRUE(WaitFor([&] { return StoredArchives(data).size() == stored + 1; }, 20s));
            EXPECT_FALSE(WindowOf(*again).empty());
            std::this_thread::sleep_for(1s);
            ASSERT_EQ(std::system(("kill -TERM " + std::to_string(again->Pid())).c_str()), 0);
            ASSERT_TRUE(WaitFor([&] { return !again->Running(); }, 20s));
            EXPECT_EQ(again->ExitStatus(), std::optional(0));
        }
        const auto archives = StoredArchives(data);
        ASSERT_EQ(archives.size(), ++stored);
        EXPECT_FALSE(fs::exists(m_program / "Data.wav"));
        EXPECT_FALSE(fs::exists(m_program / "Data.run"));
        std::string error;
        for (const fs::path& archive : archives) {
            const auto record = demo::ReadStoredRecord(archive, error);
            ASSERT_TRUE(record) << error;
            EXPECT_TRUE(std::regex_match(archive.filename().string(),
                                         std::regex(R"(Anna_\d{8}_\d{17}\.zip)")));
            EXPECT_GE(record->AudioSeconds(), 3.0) << archive;
        }
    }
}

TEST_F(EndedFromOutside, ASecondCopyOnTheSameFolderIsTurnedAway) {
    auto first = Start("marulo-first.log");
    const std::string window = WindowOf(*first);
    ASSERT_FALSE(window.empty());
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(Monitor(window));

    auto second = Start("marulo-second.log");
    const std::string box = WindowOf(*second);
    ASSERT_FALSE(box.empty()) << "the second copy showed nothing";
    ASSERT_EQ(std::system(("DISPLAY=" + m_display->Name() + " xdotool windowfocus --sync " + box +
                           " key Return >/dev/null 2>&1")
                              .c_str()),
              0);
    ASSERT_TRUE(WaitFor([&] { return !second->Running(); }, 10s));
    EXPECT_EQ(second->ExitStatus(), std::optional(1));
    std::ifstream log(m_root / "marulo-second.log");
    const std::string said(std::istreambuf_iterator<char>(log), {});
    EXPECT_NE(said.find("already running"), std::string::npos) << said;

    // The first copy records on undisturbed and stores its run.
    EXPECT_TRUE(first->Running());
    const auto before = fs::file_size(m_program / "Data.wav");
    std::this_thread::sleep_for(1s);
    EXPECT_GT(fs::file_size(m_program / "Data.wav"), before);
    ASSERT_EQ(std::system(("kill -TERM " + std::to_string(first->Pid())).c_str()), 0);
    ASSERT_TRUE(WaitFor([&] { return !first->Running(); }, 20s));
    EXPECT_EQ(first->ExitStatus(), std::optional(0));
    EXPECT_EQ(StoredArchives(m_program / "Data").size(), 1u);
}

}  // namespace
}  // namespace marulo::e2e
