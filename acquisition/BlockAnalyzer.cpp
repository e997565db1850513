// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/BlockAnalyzer.h"

#include <array>

#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

std::optional<std::int32_t> BlockAnalyzer::ProcessBlock(std::span<const std::uint8_t> block) {
    // The width is fixed for the process; asking once keeps the per-sample work inline.
    const std::uint16_t bitsPerSample = CaptureFormat().bitsPerSample;
    const std::size_t levelCount = block.size() / (bitsPerSample / 8) / 2;
    // A short block feeds only its complete frames; levels beyond the block are never made up.
    const std::size_t frameCount = levelCount / kLevelsPerDetectorFrame;

    std::int32_t best = 0;
    std::array<std::int32_t, kLevelsPerDetectorFrame> levels{};
    for (std::size_t f = 0; f < frameCount; ++f) {
        const std::size_t first = 2 * f * kLevelsPerDetectorFrame;
        if (bitsPerSample == 8) {
            // The common case in a loop of its own, which the compiler vectorises.
            const std::span<const std::uint8_t> bytes =
                block.subspan(first, 2 * kLevelsPerDetectorFrame);
            for (std::size_t i = 0; i < kLevelsPerDetectorFrame; ++i) {
                levels[i] = 128 - static_cast<std::int32_t>(bytes[2 * i]);
            }
        } else {
            for (std::size_t i = 0; i < kLevelsPerDetectorFrame; ++i) {
                levels[i] = ConvertSampleOfWidth(block, first + 2 * i, bitsPerSample);
            }
        }
        const std::int32_t result = m_detector.Process(levels);
        if (m_frameObserver) {
            m_frameObserver(result);
        }
        if (result > best) {
            best = result;
        }
    }

    if (++m_blockCounter < kBlocksPerReport) {
        return std::nullopt;
    }
    m_blockCounter = 0;
    return best;
}

}  // namespace marulo::acquisition
