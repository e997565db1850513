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

// Whole seconds of the open run's audio, partial blocks too; each run starts from zero.
TEST(RunClockTest, CountsCapturedAudioOfTheOpenRunOnly) {
    RunClock clock;
    const std::vector<std::uint8_t> tenth(acquisition::kBlockBytes, 128);
    EXPECT_EQ(clock.Seconds(), std::nullopt);
    for (int run = 0; run < 2; ++run) {
        clock.OnCaptureOpen();
        for (int block = 0; block < 19; ++block) {
            clock.OnAudioBlock(tenth);
        }
        EXPECT_EQ(clock.Seconds(), 1) << "1.9 s";
        clock.OnAudioBlock(std::span(tenth).first(tenth.size() / 2));
        clock.OnAudioBlock(std::span(tenth).first(tenth.size() / 2));
        EXPECT_EQ(clock.Seconds(), 2);
        clock.OnCaptureClose();
        EXPECT_EQ(clock.Seconds(), std::nullopt);
    }
}

}  // namespace
}  // namespace marulo::livesignal
