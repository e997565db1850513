// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Analysis.h"

#include <algorithm>
#include <utility>

namespace marulo::acquisition {

CaptureReplay::CaptureReplay(Values values, Sink sink)
    : m_sink(std::move(sink)),
      m_reportsRates(values == Values::ReportedRates),
      m_analyzer(m_reportsRates ? BlockAnalyzer::FrameObserver() : m_sink) {}

void CaptureReplay::Feed(std::span<const std::uint8_t> captureBytes) {
    if (m_partialBytes > 0) {
        const std::size_t taken = std::min(kBlockBytes - m_partialBytes, captureBytes.size());
        std::copy_n(captureBytes.begin(), taken, m_partialBlock.begin() + m_partialBytes);
        m_partialBytes += taken;
        captureBytes = captureBytes.subspan(taken);
        if (m_partialBytes < kBlockBytes) {
            return;
        }
        ReplayBlock(m_partialBlock);
        m_partialBytes = 0;
    }
    for (; captureBytes.size() >= kBlockBytes; captureBytes = captureBytes.subspan(kBlockBytes)) {
        ReplayBlock(captureBytes.first(kBlockBytes));
    }
    std::copy(captureBytes.begin(), captureBytes.end(), m_partialBlock.begin());
    m_partialBytes = captureBytes.size();
}

void CaptureReplay::ReplayBlock(std::span<const std::uint8_t> block) {
    ++m_blockCount;
    const auto rate = m_analyzer.ProcessBlock(block);
    if (rate && m_reportsRates) {
        m_sink(*rate);
    }
}

namespace {

std::vector<std::int32_t> Collect(CaptureReplay::Values values,
                                  std::span<const std::uint8_t> captureBytes) {
    std::vector<std::int32_t> collected;
    collected.reserve(
        captureBytes.size() / kBlockBytes *
        (values == CaptureReplay::Values::FrameResults ? kDetectorFramesPerBlock : 1));
    CaptureReplay replay(values, [&collected](std::int32_t value) { collected.push_back(value); });
    replay.Feed(captureBytes);
    return collected;
}

}  // namespace

std::vector<std::int32_t> AnalyzeCaptureBytes(std::span<const std::uint8_t> captureBytes) {
    return Collect(CaptureReplay::Values::ReportedRates, captureBytes);
}

std::vector<std::int32_t> AnalyzeCaptureFrames(std::span<const std::uint8_t> captureBytes) {
    return Collect(CaptureReplay::Values::FrameResults, captureBytes);
}

}  // namespace marulo::acquisition
