// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "acquisition/DetectorSteps.h"

namespace marulo::acquisition {

// Fetal heart rate from the audio envelope, one 10 ms frame of 80 levels at a time, in small
// integer arithmetic with fixed arrays. Results: -1 (no rate), 0 (start, long silence) or 50..240.
class HeartRateDetector {
public:
    static constexpr std::size_t kFrameLevels = 80;

    std::int32_t Process(std::span<const std::int32_t, kFrameLevels> frame);
    std::int32_t Result() const { return m_detectorResult; }

private:
    std::array<std::uint8_t, 257> m_envelopeHistory{};  // newest last
    std::array<std::uint32_t, 128> m_lagSums{};
    detail::RateSmoother m_smoother;
    std::uint8_t m_framesSinceUpdate = 0;
    std::uint8_t m_missCount = 0;
    std::int32_t m_detectorResult = 0;
};

}  // namespace marulo::acquisition
