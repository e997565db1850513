// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Analysis.h"

#include "acquisition/BlockAnalyzer.h"
#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

namespace {

// Feeds every whole block to analyzer and collects the reported heart rates.
std::vector<std::int32_t> Replay(BlockAnalyzer& analyzer,
                                 std::span<const std::uint8_t> captureBytes) {
    std::vector<std::int32_t> heartRates;
    heartRates.reserve(captureBytes.size() / (kBlockBytes * kBlocksPerReport));
    for (std::size_t at = 0; captureBytes.size() - at >= kBlockBytes; at += kBlockBytes) {
        if (const auto rate = analyzer.ProcessBlock(captureBytes.subspan(at, kBlockBytes))) {
            heartRates.push_back(*rate);
        }
    }
    return heartRates;
}

}  // namespace

std::vector<std::int32_t> AnalyzeCaptureBytes(std::span<const std::uint8_t> captureBytes) {
    BlockAnalyzer analyzer;
    return Replay(analyzer, captureBytes);
}

std::vector<std::int32_t> AnalyzeCaptureFrames(std::span<const std::uint8_t> captureBytes) {
    std::vector<std::int32_t> frameResults;
    frameResults.reserve(captureBytes.size() / kBlockBytes * kDetectorFramesPerBlock);
    BlockAnalyzer analyzer(
        [&frameResults](std::int32_t result) { frameResults.push_back(result); });
    Replay(analyzer, captureBytes);
    return frameResults;
}

}  // namespace marulo::acquisition
