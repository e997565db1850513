// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/RunClock.h"

#include "acquisition/CaptureFormat.h"

namespace marulo::livesignal {

void RunClock::OnCaptureOpen() {
    m_bytes.store(0);
    m_open.store(true);
}

void RunClock::OnAudioBlock(std::span<const std::uint8_t> block) {
    m_bytes.fetch_add(static_cast<std::int64_t>(block.size()));
}

void RunClock::OnCaptureClose() {
    m_open.store(false);
}

std::optional<std::int64_t> RunClock::Seconds() const {
    if (!m_open.load()) {
        return std::nullopt;
    }
    return m_bytes.load() /
           static_cast<std::int64_t>(acquisition::CaptureFormat().averageBytesPerSecond);
}

std::string ElapsedText(std::int64_t seconds) {
    seconds = seconds < 0 ? 0 : seconds;
    const auto twoDigits = [](std::int64_t value) {
        return (value < 10 ? "0" : "") + std::to_string(value);
    };
    const std::int64_t hours = seconds / 3600;
    const std::string minutesAndSeconds =
        twoDigits(seconds / 60 % 60) + ":" + twoDigits(seconds % 60);
    if (hours > 0) {
        return std::to_string(hours) + ":" + minutesAndSeconds;
    }
    return std::to_string(seconds / 60) + ":" + twoDigits(seconds % 60);
}

}  // namespace marulo::livesignal
