// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace marulo::ratecheck {

inline constexpr std::size_t kEnvelopeRate = 100;  // envelope values a second
inline constexpr std::size_t kBands = 3;

struct EnvelopeFrame {
    std::array<float, kBands> bands{};
    // How much the frame sounds like a voice: the strongest normalised correlation of the
    // 2 kHz signal at the lags of a speaking pitch (110..250 Hz), 0 to 1. The baby's sounds are
    // noise-like and stay low.
    float voicing = 0.0F;
};

// The loudness of three bands of the first channel of capture bytes (below about 250 Hz, about
// 250 Hz to 1 kHz, above), log-compressed and smoothed, one value each per 10 ms. The bands come
// from means over 16 and 4 samples: decimating this early keeps the cost per sample at a few
// integer operations.
class BandEnvelopes {
public:
    static constexpr std::size_t kSamplesPerFrame = 80;

    // Takes capture bytes cut anywhere; gives the number of whole frames now ready in Frames().
    std::size_t Feed(std::span<const std::uint8_t> captureBytes);

    // The frames completed by the last Feed, oldest first.
    std::span<const EnvelopeFrame> Frames() const { return m_ready; }

private:
    EnvelopeFrame Envelope();

    struct Smoother {
        float Filter(float x);
        float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };

    std::array<std::int32_t, kSamplesPerFrame> m_levels{};
    std::size_t m_levelCount = 0;
    bool m_atSecondChannel = false;  // a piece ended between the two bytes of a frame
    std::int32_t m_offset = 0;       // the last frame's mean level, times sixteen
    // The last two frames at 2 kHz (sums of four levels), oldest first, for the voicing.
    std::array<std::int32_t, 2 * kSamplesPerFrame / 4> m_decimated{};
    std::array<Smoother, kBands> m_smoothers{};
    std::vector<EnvelopeFrame> m_ready;
};

}  // namespace marulo::ratecheck
