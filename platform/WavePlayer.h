// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace marulo::platform {

// How a play command ended, as the media device reports it to the window that asked.
enum class PlayNotify { Successful = 1, Superseded = 2, Aborted = 4, Failure = 8 };

// Plays one WAV file in the manner of a media-control "waveaudio" device: open gives a device
// id, a play command notifies once when it ends, and a newer command supersedes an older one.
// Lives on the user-interface thread.
class WavePlayer {
public:
    using NotifyHandler = std::function<void(PlayNotify)>;

    WavePlayer();
    ~WavePlayer();
    WavePlayer(const WavePlayer&) = delete;
    WavePlayer& operator=(const WavePlayer&) = delete;

    // Opens the file; false (and device id 0) when it cannot be played.
    bool Open(const std::string& audioPath);
    bool Close();
    std::uint32_t DeviceId() const { return m_deviceId; }
    bool IsOpen() const { return m_deviceId != 0; }

    // Seeks to second x 1000 ms only when second > 0, then plays to the end; the handler hears
    // how this play ended. Returns whether the device is playing afterwards.
    bool Play(std::int32_t second, NotifyHandler onEnd);
    void Stop();
    bool IsPlaying() const;
    // Milliseconds from the start of the file, -1 when the device cannot tell.
    std::int64_t PositionMilliseconds() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::uint32_t m_deviceId = 0;
};

}  // namespace marulo::platform
