// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "acquisition/BlockAnalyzer.h"
#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

// Offline replay of captured audio (capture-format bytes) through a freshly started detector and
// block counter, in consecutive 1600-byte blocks; a trailing partial block is ignored.

// The replay for bytes that arrive piece by piece, cut anywhere: each value goes to the sink as
// soon as it is known, so memory does not grow with the audio.
class CaptureReplay {
public:
    enum class Values {
        ReportedRates,  // what a capture run reports once a second
        FrameResults,   // the detector's result for every 10 ms frame
    };
    using Sink = std::function<void(std::int32_t value)>;

    CaptureReplay(Values values, Sink sink);

    void Feed(std::span<const std::uint8_t> captureBytes);

    // Whole blocks replayed so far.
    std::uint64_t BlockCount() const { return m_blockCount; }

private:
    void ReplayBlock(std::span<const std::uint8_t> block);

    Sink m_sink;
    bool m_reportsRates;
    BlockAnalyzer m_analyzer;
    std::array<std::uint8_t, kBlockBytes> m_partialBlock{};
    std::size_t m_partialBytes = 0;
    std::uint64_t m_blockCount = 0;
};

// The values a capture run of these bytes would report once a second.
std::vector<std::int32_t> AnalyzeCaptureBytes(std::span<const std::uint8_t> captureBytes);

// The detector's result for every 10 ms frame of the same run.
std::vector<std::int32_t> AnalyzeCaptureFrames(std::span<const std::uint8_t> captureBytes);

}  // namespace marulo::acquisition
