// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/RunClock.h"

#include <gtest/gtest.h>

#include <vector>

#include "acquisition/CaptureFormat.h"

namespace marulo::livesignal {
namespace {

TEST(ElapsedTextTest, MinutesBelowAnHourAndHoursFromOne) {
    const struct {
        std::int64_t seconds;
        const char* text;
    } cases[] = {
        {-5, "0:00"},      {0, "0:00"},         {7, "0:07"},           {59, "0:59"},
        {60, "1:00"},      {754, "12:34"},      {3599, "59:59"},       {3600, "1:00:00"},
        {3723, "1:02:03"}, {36000, "10:00:00"}, {360000, "100:00:00"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ElapsedText(c.seconds), c.text) << c.seconds;
    }
}

// The clock counts the audio the run captured, partial blocks too, and starts again with each run.
TEST(RunClockTest, CountsCapturedAudioOfTheOpenRunOnly) {
    RunClock clock;
    const std::vector<std::uint8_t> block(acquisition::kBlockBytes, 128);
    const auto feed = [&](int blocks) {
        for (int i = 0; i < blocks; ++i) {
            clock.OnAudioBlock(block);
        }
    };
    EXPECT_EQ(clock.Seconds(), std::nullopt);
    clock.OnCaptureOpen();
    EXPECT_EQ(clock.Seconds(), 0);
    feed(9);
    EXPECT_EQ(clock.Seconds(), 0) << "0.9 s is not a whole second";
    clock.OnAudioBlock(std::span(block).first(acquisition::kBlockBytes / 2));
    EXPECT_EQ(clock.Seconds(), 0);
    clock.OnAudioBlock(std::span(block).first(acquisition::kBlockBytes / 2));
    EXPECT_EQ(clock.Seconds(), 1);
    feed(10 * 754 - 10);
    EXPECT_EQ(clock.Seconds(), 754);
    clock.OnCaptureClose();
    EXPECT_EQ(clock.Seconds(), std::nullopt);
    clock.OnCaptureOpen();
    feed(20);
    EXPECT_EQ(clock.Seconds(), 2);
}

}  // namespace
}  // namespace marulo::livesignal
