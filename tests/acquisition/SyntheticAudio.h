// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace marulo::testing {

inline constexpr std::size_t kBytesPerDetectorFrame = 160;  // 80 sample frames of two bytes

// Capture-format bytes whose first channel beats with the given period in 10 ms frames: a peak
// level of 100 for three frames of every period, 10 otherwise. The second channel is silent.
inline std::vector<std::uint8_t> PulseTrain(int period, int frames) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frames) * kBytesPerDetectorFrame, 128);
    for (int f = 0; f < frames; ++f) {
        const int peak = f % period < 3 ? 100 : 10;
        bytes[static_cast<std::size_t>(f) * kBytesPerDetectorFrame] =
            static_cast<std::uint8_t>(128 - peak);
    }
    return bytes;
}

inline std::vector<std::uint8_t> SilentCapture(int frames) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(frames) * kBytesPerDetectorFrame,
                                     128);
}

inline void Append(std::vector<std::uint8_t>& to, const std::vector<std::uint8_t>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

}  // namespace marulo::testing
