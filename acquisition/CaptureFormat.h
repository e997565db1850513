// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "recordformat/WaveFormat.h"

namespace marulo::acquisition {

// The one wave format of capture, the WAV header and the live waveform:
// PCM, 2 channels, 8000 Hz, unsigned 8-bit samples.
const recordformat::WaveFormat& CaptureFormat();

inline constexpr std::size_t kFramesPerBlock = 800;         // 0.1 s
inline constexpr std::size_t kBlockBytes = 1600;            // 800 frames of two 8-bit samples
inline constexpr std::size_t kLevelsPerDetectorFrame = 80;  // 10 ms
inline constexpr std::size_t kDetectorFramesPerBlock = 10;
inline constexpr int kBlocksPerReport = 10;  // one heart rate a second

// The signed level of the sample at byte index: 128 - byte for 8-bit data (inverted, silence 0),
// the little-endian signed sample for 16-bit data, 0 for any other width.
std::int32_t ConvertSample(std::span<const std::uint8_t> data, std::size_t index);

// The same for a given sample width; a sample not wholly inside data gives 0. Inline, as the
// capture thread calls it for every sample.
inline std::int32_t ConvertSampleOfWidth(std::span<const std::uint8_t> data, std::size_t index,
                                         std::uint16_t bitsPerSample) {
    switch (bitsPerSample) {
        case 8:
            return index < data.size() ? 128 - static_cast<std::int32_t>(data[index]) : 0;
        case 16:
            if (index >= data.size() || data.size() - index < 2) {
                return 0;
            }
            return static_cast<std::int16_t>(data[index] | (data[index + 1] << 8));
        default:
            return 0;
    }
}

}  // namespace marulo::acquisition
