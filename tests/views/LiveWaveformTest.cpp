// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/LiveWaveform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace marulo::views {
namespace {

// A block of capture frames with the given first-channel bytes; the second channel holds noise
// that must never count.
std::vector<std::uint8_t> Block(const std::vector<std::uint8_t>& firstChannel) {
    std::vector<std::uint8_t> block;
    for (std::size_t i = 0; i < firstChannel.size(); ++i) {
        block.push_back(firstChannel[i]);
        block.push_back(static_cast<std::uint8_t>(i * 37));
    }
    return block;
}

WaveformPoints Filled(std::int32_t y) {
    WaveformPoints points{};
    for (std::size_t i = 0; i < kWaveformPoints; ++i) {
        points[i] = {static_cast<std::int32_t>(i), y};
    }
    return points;
}

TEST(LiveWaveformTest, SilentBlockIsAFlatLineOnTheMiddleRow) {
    for (const auto& [height, middle] : std::vector<std::pair<int, int>>{{183, 91}, {184, 92}}) {
        WaveformPoints points{};
        UpdateWaveform(points, Block(std::vector<std::uint8_t>(800, 128)), height);
        EXPECT_EQ(points, Filled(middle)) << height;
    }
}

// Levels are 128 - byte; the mean and y both truncate toward zero.
TEST(LiveWaveformTest, KnownBlocksGiveExactPoints) {
    struct Case {
        int height;
        std::vector<std::uint8_t> firstChannel;
        std::vector<std::int32_t> y;
    };
    const std::vector<Case> cases = {
        // Full scale both ways: levels 128 and -127 around mean 0, amp 81.
        {183, {0, 255}, {10, 171}},
        // Mean of -1 and -2 is -1, not -2.
        {1000, {129, 130}, {500, 503}},
        // Mean -63; the first point lies above the client area at -29.87, kept as -29.
        {183, {0, 255, 255, 255}, {-29, 131, 131, 131}},
        // Tiny swings round toward the middle row.
        {183, {127, 129, 128}, {90, 91, 91}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.firstChannel));
        WaveformPoints points{};
        UpdateWaveform(points, Block(c.firstChannel), c.height);
        for (std::size_t i = 0; i < c.y.size(); ++i) {
            EXPECT_EQ(points[i], (WaveformPoint{static_cast<std::int32_t>(i), c.y[i]})) << i;
        }
    }
}

TEST(LiveWaveformTest, ShortBlockKeepsTheLaterPoints) {
    WaveformPoints points = Filled(7);
    UpdateWaveform(points, Block({128, 128, 128}), 183);
    for (std::size_t i = 0; i < kWaveformPoints; ++i) {
        EXPECT_EQ(points[i].y, i < 3 ? 91 : 7) << i;
    }

    // An odd byte count leaves the incomplete frame out.
    points = Filled(7);
    std::vector<std::uint8_t> block = Block({128, 128});
    block.push_back(0);
    UpdateWaveform(points, block, 183);
    EXPECT_EQ(points[1].y, 91);
    EXPECT_EQ(points[2].y, 7);
}

TEST(LiveWaveformTest, BlockWithoutAWholeFrameChangesNothing) {
    for (const std::vector<std::uint8_t>& block :
         {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{0}}) {
        WaveformPoints points = Filled(7);
        UpdateWaveform(points, block, 183);
        EXPECT_EQ(points, Filled(7));
    }
}

TEST(LiveWaveformTest, FramesBeyondTheLineAreLeftOut) {
    std::vector<std::uint8_t> firstChannel(800, 128);
    firstChannel.resize(1000, 0);
    WaveformPoints points{};
    UpdateWaveform(points, Block(firstChannel), 183);
    EXPECT_EQ(points, Filled(91));
}

}  // namespace
}  // namespace marulo::views
