// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/BandEnvelopes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace marulo::ratecheck {

namespace {

constexpr std::size_t kShortGroup = 4;
constexpr std::size_t kLongGroup = 16;
constexpr std::size_t kDecimatedPerFrame = BandEnvelopes::kSamplesPerFrame / kShortGroup;
// Pitch periods at 2 kHz: 8 samples is 250 Hz, 18 is 111 Hz.
constexpr std::size_t kShortestPitch = 8;
constexpr std::size_t kLongestPitch = 18;

// The strongest normalised correlation over the pitch lags of the newest frame against the
// samples before it.
float Voicing(std::span<const std::int32_t> decimated, std::int32_t mean) {
    std::array<std::int32_t, 2 * kDecimatedPerFrame> centred{};
    for (std::size_t i = 0; i < centred.size(); ++i) {
        centred[i] = decimated[i] - mean;
    }
    std::int64_t energy = 0;
    for (std::size_t i = kDecimatedPerFrame; i < centred.size(); ++i) {
        energy += std::int64_t{centred[i]} * centred[i];
    }
    if (energy == 0) {
        return 0.0F;
    }
    double best = 0.0;
    for (std::size_t lag = kShortestPitch; lag <= kLongestPitch; ++lag) {
        std::int64_t sum = 0;
        std::int64_t lagged = 0;
        for (std::size_t i = kDecimatedPerFrame; i < centred.size(); ++i) {
            sum += std::int64_t{centred[i]} * centred[i - lag];
            lagged += std::int64_t{centred[i - lag]} * centred[i - lag];
        }
        if (lagged > 0) {
            best = std::max(
                best, static_cast<double>(sum) /
                          std::sqrt(static_cast<double>(energy) * static_cast<double>(lagged)));
        }
    }
    return static_cast<float>(best);
}

// Second-order low-pass at 15 Hz for a 100 Hz series (Butterworth, bilinear transform).
constexpr float kB0 = 0.13110644F;
constexpr float kB1 = 0.26221288F;
constexpr float kB2 = 0.13110644F;
constexpr float kA1 = -0.74778918F;
constexpr float kA2 = 0.27221494F;

}  // namespace

float BandEnvelopes::Smoother::Filter(float x) {
    const float y = kB0 * x + kB1 * x1 + kB2 * x2 - kA1 * y1 - kA2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

std::size_t BandEnvelopes::Feed(std::span<const std::uint8_t> captureBytes) {
    m_ready.clear();
    std::size_t i = m_atSecondChannel ? 1 : 0;
    for (; i < captureBytes.size(); i += 2) {
        m_levels[m_levelCount] = 128 - static_cast<std::int32_t>(captureBytes[i]);
        if (++m_levelCount == kSamplesPerFrame) {
            m_ready.push_back(Envelope());
            m_levelCount = 0;
        }
    }
    m_atSecondChannel = i > captureBytes.size();
    return m_ready.size();
}

EnvelopeFrame BandEnvelopes::Envelope() {
    // Sums over 16 samples (low), over 4 against their 16 (middle), each sample against its 4
    // (high), all in units of sixteen levels.
    std::int32_t low = 0;
    std::int32_t middle = 0;
    std::int32_t high = 0;
    std::int32_t total = 0;
    std::copy(m_decimated.begin() + kDecimatedPerFrame, m_decimated.end(), m_decimated.begin());
    for (std::size_t g = 0; g < kSamplesPerFrame; g += kLongGroup) {
        std::array<std::int32_t, kLongGroup / kShortGroup> shortSums{};
        for (std::size_t s = 0; s < shortSums.size(); ++s) {
            const std::int32_t* level = &m_levels[g + s * kShortGroup];
            shortSums[s] = level[0] + level[1] + level[2] + level[3];
            m_decimated[kDecimatedPerFrame + g / kShortGroup + s] = shortSums[s];
            for (std::size_t k = 0; k < kShortGroup; ++k) {
                high += 4 * std::abs(4 * level[k] - shortSums[s]);
            }
        }
        const std::int32_t longSum = shortSums[0] + shortSums[1] + shortSums[2] + shortSums[3];
        total += longSum;
        low += std::abs(longSum - m_offset);
        for (const std::int32_t shortSum : shortSums) {
            middle += std::abs(4 * shortSum - longSum);
        }
    }
    m_offset = total / static_cast<std::int32_t>(kSamplesPerFrame / kLongGroup);
    EnvelopeFrame frame{};
    frame.voicing = Voicing(m_decimated, m_offset / 4);
    const std::array<std::int32_t, kBands> sums{16 * low, 4 * middle, high};
    for (std::size_t b = 0; b < kBands; ++b) {
        frame.bands[b] = m_smoothers[b].Filter(std::log1p(static_cast<float>(sums[b]) / 1024.0F));
    }
    return frame;
}

}  // namespace marulo::ratecheck
