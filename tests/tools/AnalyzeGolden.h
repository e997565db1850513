// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/recordformat/WavBytes.h"

namespace marulo::testing {

// A heartbeat-like PCM signal in integer arithmetic only, so the same bytes come out everywhere:
// a decaying 400 Hz burst of 40 ms at every beat over a hiss, the beat near 110 + 9 x (seed % 10)
// per minute with a jitter of a few per cent, so that every step of the analysis leaves its mark.
inline Bytes BeatingSamples(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                            std::uint32_t frames, std::uint32_t seed) {
    Bytes bytes;
    bytes.reserve(static_cast<std::size_t>(frames) * channels * bits / 8);
    const std::uint64_t beat = static_cast<std::uint64_t>(rate) * 60 / (110 + 9 * (seed % 10));
    const std::uint64_t burst = static_cast<std::uint64_t>(rate) * 4 / 100;
    std::uint32_t noise = seed;
    const auto next = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return static_cast<int>(noise >> 24) - 128;
    };
    std::uint64_t beatStart = 0;
    std::uint64_t beatLength = beat;
    for (std::uint64_t t = 0; t < frames; ++t) {
        if (t - beatStart >= beatLength) {
            beatStart = t;
            beatLength = beat + static_cast<std::uint64_t>(next() + 128) * beat / 4096;
        }
        const std::uint64_t into = t - beatStart;
        const int amplitude = into < burst ? static_cast<int>(20000 * (burst - into) / burst) : 0;
        const int tone = (t * 800 / rate) % 2 == 0 ? amplitude : -amplitude;
        for (std::uint16_t c = 0; c < channels; ++c) {
            const int level = std::clamp(tone / (c + 1) + next() * 40, -32768, 32767);
            if (bits == 8) {
                bytes.push_back(static_cast<std::uint8_t>((level >> 8) + 128));
            } else {
                Put(bytes, static_cast<std::uint16_t>(static_cast<std::int16_t>(level)), 2);
            }
        }
    }
    return bytes;
}

// 64-bit FNV-1a of a text, to compare long outputs compactly.
inline std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    }
    return hash;
}

}  // namespace marulo::testing
