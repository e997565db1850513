// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace marulo::testing {

// A PulseAudio daemon of the test's own: a null sink "out" and a pipe source "in" in the capture
// format (unsigned 8-bit, 8000 Hz, stereo), both the defaults. The process environment points
// the sound system at it until it ends.
class PrivatePulseAudio {
public:
    // Gives nothing, and the reason, when the daemon cannot start here.
    static std::unique_ptr<PrivatePulseAudio> Start(std::string& whyNot);
    ~PrivatePulseAudio();
    PrivatePulseAudio(const PrivatePulseAudio&) = delete;
    PrivatePulseAudio& operator=(const PrivatePulseAudio&) = delete;

    // Writes the bytes into a pipe source as a live device would deliver them: 1600 bytes
    // every 0.1 s, on a thread of its own, replacing any feed still running. A speed above 1
    // plays the same blocks that many times faster, for runs that must last some seconds.
    void FeedPaced(std::vector<std::uint8_t> bytes, int speed = 1,
                   const std::string& source = "in");
    void StopFeeding();
    bool FeedDone() const { return m_feedDone; }

    // Stops or continues the daemon (SIGSTOP, SIGCONT), as a sound server that hangs.
    void Pause(bool paused);

    // Ends the daemon now, as a sound server that stops or restarts under a running program.
    void EndDaemon();

    // Runs pactl against this daemon; true when it succeeded.
    bool Pactl(const std::string& arguments) const;

    // A second pipe source in the capture format, as a second sound card with a listener on it;
    // true when the server took it. Removing it is unplugging that card.
    bool AddPipeSource(const std::string& name, const std::string& description);
    bool RemovePipeSource(const std::string& name);

private:
    PrivatePulseAudio() = default;

    std::filesystem::path Fifo(const std::string& source) const;

    std::filesystem::path m_dir;
    std::map<std::string, std::string> m_modules;  // source name -> module index
    pid_t m_daemon = -1;
    std::thread m_feeder;
    std::atomic<bool> m_stopFeeding{false};
    std::atomic<bool> m_feedDone{true};
};

}  // namespace marulo::testing
