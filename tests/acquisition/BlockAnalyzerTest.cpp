// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/BlockAnalyzer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureFormat.h"
#include "tests/acquisition/SyntheticAudio.h"

namespace marulo::acquisition {
namespace {

using testing::PulseTrain;
using testing::SilentCapture;

TEST(ConvertSample, SignedLevelsOfEachWidth) {
    const std::vector<std::uint8_t> bytes{0, 128, 255, 0x00, 0x80, 0xFF, 0x7F, 0x34, 0x12};
    EXPECT_EQ(ConvertSample(bytes, 0), 128);
    EXPECT_EQ(ConvertSample(bytes, 1), 0);
    EXPECT_EQ(ConvertSample(bytes, 2), -127);
    EXPECT_EQ(ConvertSample(bytes, 9), 0) << "past the end";
    EXPECT_EQ(ConvertSampleOfWidth(bytes, 3, 16), -32768);
    EXPECT_EQ(ConvertSampleOfWidth(bytes, 5, 16), 32767);
    EXPECT_EQ(ConvertSampleOfWidth(bytes, 7, 16), 0x1234);
    EXPECT_EQ(ConvertSampleOfWidth(bytes, 8, 16), 0) << "half a sample";
    EXPECT_EQ(ConvertSampleOfWidth(bytes, 0, 24), 0);
}

// Every block's report and the detector results of its frames.
struct BlockRun {
    std::vector<std::optional<std::int32_t>> reports;
    std::vector<std::vector<std::int32_t>> frames;
};

BlockRun Analyze(const std::vector<std::uint8_t>& bytes, BlockAnalyzer* keep = nullptr) {
    BlockRun run;
    BlockAnalyzer fresh([&](std::int32_t r) { run.frames.back().push_back(r); });
    BlockAnalyzer& analyzer = keep ? *keep : fresh;
    for (std::size_t at = 0; at < bytes.size(); at += kBlockBytes) {
        run.frames.emplace_back();
        run.reports.push_back(analyzer.ProcessBlock(
            std::span(bytes).subspan(at, std::min(kBlockBytes, bytes.size() - at))));
    }
    return run;
}

TEST(BlockAnalyzer, ReportsEveryTenthBlockAndTheCounterRunsOn) {
    BlockAnalyzer analyzer;
    const BlockRun run = Analyze(SilentCapture(250), &analyzer);
    for (std::size_t b = 0; b < run.reports.size(); ++b) {
        EXPECT_EQ(run.reports[b].has_value(), b == 9 || b == 19) << b;
    }
    EXPECT_EQ(run.reports[9], 0) << "no rate is reported as 0";
    EXPECT_EQ(analyzer.BlockCounter(), 5);
    EXPECT_TRUE(Analyze(SilentCapture(50), &analyzer).reports.back()) << "the count runs on";
}

TEST(BlockAnalyzer, ReportsTheBestFrameOfTheTenthBlockAlone) {
    int higherEarlierInSecond = 0;
    // Shifting the audio against the block grid moves result changes into the reported blocks.
    for (int shift = 0; shift < 25; ++shift) {
        auto audio = SilentCapture(shift);
        testing::Append(audio, PulseTrain(30, 1200));
        testing::Append(audio, SilentCapture(400));
        testing::Append(audio, PulseTrain(50, 1000));
        const BlockRun run = Analyze(audio);
        std::int32_t bestOfSecond = 0;
        for (std::size_t b = 0; b < run.reports.size(); ++b) {
            const auto& frames = run.frames[b];
            ASSERT_EQ(frames.size(),
                      std::min<std::size_t>(10, (audio.size() - b * kBlockBytes) / 160));
            const std::int32_t best = std::max(0, *std::max_element(frames.begin(), frames.end()));
            bestOfSecond = std::max(bestOfSecond, best);
            if (run.reports[b]) {
                ASSERT_EQ(*run.reports[b], best) << "block " << b << " shift " << shift;
                higherEarlierInSecond += bestOfSecond > best;
                bestOfSecond = 0;
            }
        }
        EXPECT_EQ(run.reports[99], 200);
        EXPECT_EQ(run.reports[259], 120);
    }
    EXPECT_GT(higherEarlierInSecond, 0) << "the input must exercise the rule";
}

TEST(BlockAnalyzer, ShortBlocksFeedOnlyTheirWholeFrames) {
    const auto silence = SilentCapture(10);
    for (const auto& [bytes, frames] :
         std::vector<std::pair<std::size_t, std::size_t>>{{1598, 9}, {160, 1}, {159, 0}, {0, 0}}) {
        std::size_t seen = 0;
        BlockAnalyzer analyzer([&](std::int32_t) { ++seen; });
        analyzer.ProcessBlock(std::span(silence).first(bytes));
        EXPECT_EQ(seen, frames) << bytes << " bytes";
        EXPECT_EQ(analyzer.BlockCounter(), 1);
    }
}

TEST(BlockAnalyzer, HearsTheFirstChannelOnly) {
    auto secondChannel = PulseTrain(30, 1000);
    std::rotate(secondChannel.begin(), secondChannel.begin() + 1, secondChannel.end());
    EXPECT_EQ(AnalyzeCaptureBytes(secondChannel), std::vector<std::int32_t>(10, 0));
    EXPECT_EQ(AnalyzeCaptureBytes(PulseTrain(30, 1000)).back(), 200);
}

}  // namespace
}  // namespace marulo::acquisition
