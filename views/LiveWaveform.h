// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace marulo::views {

// One vertex of the live waveform polyline, in client pixels before the horizontal scaling.
struct WaveformPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;

    bool operator==(const WaveformPoint&) const = default;
};

inline constexpr std::size_t kWaveformPoints = 800;  // the frames of one full 0.1 s block
using WaveformPoints = std::array<WaveformPoint, kWaveformPoints>;

// Replaces the first n points by the first channel of a block of n capture frames, centred on the
// middle row of a client area of the given height, a full-scale swing spanning 90 % of half the
// height. Points from n on keep their values; a block of no whole frame changes nothing, and
// frames beyond the 800 points are left out.
void UpdateWaveform(WaveformPoints& points, std::span<const std::uint8_t> block,
                    std::int32_t clientHeight);

}  // namespace marulo::views
