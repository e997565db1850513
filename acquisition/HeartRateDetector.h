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
    static constexpr std::size_t kHistory = 257;

    // Advances the lag sums by one envelope and gives the range of the newest 128 envelopes.
    int UpdateLagSums(std::uint8_t envelope);

    // The last 257 envelopes, each kept twice so that, newest first, they always lie contiguous
    // from m_newestSlot: no shifting and no wrap-around in the per-frame loops.
    std::array<std::uint8_t, 2 * kHistory> m_envelopeRing{};
    std::size_t m_newestSlot = 0;
    // Each lag sum adds 128 differences of 8-bit envelopes, at most 128 x 255 = 32640: 16 bits
    // hold it exactly and let eight sums go through the vector unit at once.
    std::array<std::int16_t, detail::kLagCount> m_lagSums{};
    detail::LagSums m_searchedSums{};  // the same, widened for the dip search
    detail::RateSmoother m_smoother;
    std::uint8_t m_framesSinceUpdate = 0;
    std::uint8_t m_missCount = 0;
    std::int32_t m_detectorResult = 0;
};

}  // namespace marulo::acquisition
