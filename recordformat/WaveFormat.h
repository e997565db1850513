// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace marulo::recordformat {

// A PCM wave format as the sound system and the WAV header describe it.
struct WaveFormat {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSecond = 0;
    std::uint32_t averageBytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

}  // namespace marulo::recordformat
