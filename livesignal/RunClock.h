// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "acquisition/AcquisitionListener.h"

namespace marulo::livesignal {

// How long the open run has recorded, counted from the audio it captured rather than from a
// clock: a machine that sleeps or a clock that is set does not move it, and it agrees with the
// record's length. Fed on the capture thread, read from any thread without waiting.
class RunClock final : public acquisition::AcquisitionListener {
public:
    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t /*beatsPerMinute*/) override {}
    void OnCaptureClose() override;

    // Whole seconds captured by the open run; none while no run is open.
    std::optional<std::int64_t> Seconds() const;

private:
    std::atomic<std::int64_t> m_bytes{0};
    std::atomic<bool> m_open{false};
};

// "0:07", "12:34" below an hour, "1:02:03" from one on; below zero counts as zero.
std::string ElapsedText(std::int64_t seconds);

}  // namespace marulo::livesignal
