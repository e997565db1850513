// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "acquisition/HeartRateDetector.h"

namespace marulo::acquisition {

// The capture thread's arithmetic for one 0.1 s block: the first channel as levels, ten detector
// frames, the best result of the block, and every tenth block that best as the heart rate to
// report. Each capture run and each replay takes a fresh one, so its rates depend on its own sound.
class BlockAnalyzer {
public:
    using FrameObserver = std::function<void(std::int32_t frameResult)>;

    BlockAnalyzer() = default;
    explicit BlockAnalyzer(FrameObserver frameObserver)
        : m_frameObserver(std::move(frameObserver)) {}

    // Returns the heart rate to report (0 or 50..240) when this block is the tenth.
    // Only whole detector frames inside the block reach the detector.
    std::optional<std::int32_t> ProcessBlock(std::span<const std::uint8_t> block);

    int BlockCounter() const { return m_blockCounter; }

private:
    HeartRateDetector m_detector;
    int m_blockCounter = 0;
    FrameObserver m_frameObserver;
};

}  // namespace marulo::acquisition
