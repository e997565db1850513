// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/InputLevel.h"

#include <algorithm>
#include <cstdlib>

namespace marulo::livesignal {

namespace {

constexpr std::uint8_t kLowestSample = 0;
constexpr std::uint8_t kHighestSample = 255;
constexpr int kSilence = 128;

}  // namespace

void InputLevel::Restart() {
    m_clippedBlocks.fill(false);
    m_cursor = 0;
}

InputLevelValue InputLevel::Feed(std::span<const std::uint8_t> captureBytes) {
    // The listener plays the same sound on both channels; the first is the one measured.
    int peak = 0;
    int clipped = 0;
    for (std::size_t i = 0; i < captureBytes.size(); i += 2) {
        peak = std::max(peak, std::abs(captureBytes[i] - kSilence));
        if (captureBytes[i] == kLowestSample || captureBytes[i] == kHighestSample) {
            ++clipped;
        }
    }
    m_cursor = (m_cursor + 1) % m_clippedBlocks.size();
    m_clippedBlocks[m_cursor] = clipped >= kClippedSamplesPerBlock;
    return {std::min(1.0, peak / static_cast<double>(kSilence - 1)), Clipping()};
}

bool InputLevel::Clipping() const {
    return std::count(m_clippedBlocks.begin(), m_clippedBlocks.end(), true) >= kClippingBlocks;
}

}  // namespace marulo::livesignal
