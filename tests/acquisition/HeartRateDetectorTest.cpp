// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/HeartRateDetector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

namespace marulo::acquisition {
namespace {

using Results = std::vector<std::int32_t>;

// Feeds frames whose largest level is peakOf(frame), at a moving position among lower levels.
void Feed(HeartRateDetector& detector, Results& results, int frames,
          const std::function<std::int32_t(int)>& peakOf) {
    std::array<std::int32_t, HeartRateDetector::kFrameLevels> frame{};
    for (int f = 0; f < frames; ++f) {
        const std::int32_t peak = peakOf(f);
        frame.fill(std::min(peak, 0) - 5);
        frame[static_cast<std::size_t>(f) % frame.size()] = peak;
        results.push_back(detector.Process(frame));
    }
}

std::function<std::int32_t(int)> Pulses(int period) {
    return [period](int f) { return f % period < 3 ? 100 : 10; };
}

int FirstIndexOf(const Results& results, std::int32_t value, int from) {
    const auto it = std::find(results.begin() + from, results.end(), value);
    return it == results.end() ? -1 : static_cast<int>(it - results.begin());
}

TEST(HeartRateDetector, SilenceGivesZeroThenNoRateThroughTheLongSilenceResets) {
    HeartRateDetector detector;
    Results results;
    // Negative levels are silence too: the envelope is at least 0.
    Feed(detector, results, 1000, [](int f) { return f % 2 ? 0 : -127; });
    for (int f = 0; f < 1000; ++f) {
        ASSERT_EQ(results[f], f < 24 ? 0 : -1) << "frame " << f + 1;
    }
}

TEST(HeartRateDetector, PeriodicEnvelopeSettlesOnItsRate) {
    // 23 frames is 260 a minute, kept as 4 in eight bits; 24 frames is 250: neither is a rate.
    for (const auto& [period, rate] : std::vector<std::pair<int, int>>{
             {30, 200}, {50, 120}, {25, 240}, {60, 100}, {120, 50}, {23, -1}, {24, -1}}) {
        HeartRateDetector detector;
        Results results;
        Feed(detector, results, 1500, Pulses(period));
        const int first = rate > 0 ? FirstIndexOf(results, rate, 0) : 1500;
        if (rate > 0) {
            EXPECT_GE(first, 150) << period << ": a rate needs 150 candidates";
            EXPECT_LT(first, 400) << period;
        }
        for (int f = 0; f < 1500; ++f) {
            ASSERT_TRUE(f < first ? results[f] <= 0 && results[f] >= -1 : results[f] == rate)
                << period << " frame " << f << ": " << results[f];
        }
    }
}

TEST(HeartRateDetector, ShortPauseKeepsTheRateLongSilenceStartsWarmUpAgain) {
    const auto run = [](int pauseFrames) {
        HeartRateDetector detector;
        Results results;
        Feed(detector, results, 1000, Pulses(30));
        Feed(detector, results, pauseFrames, [](int) { return 0; });
        Feed(detector, results, 600, Pulses(30));
        return results;
    };
    const Results brief = run(150);
    EXPECT_EQ(FirstIndexOf(brief, 0, 1000), -1) << "no long-silence reset";
    EXPECT_LT(FirstIndexOf(brief, 200, 1150), 1150 + 50) << "the rate returns at once";

    const Results longer = run(500);
    const int reset = FirstIndexOf(longer, 0, 1000);
    EXPECT_GT(reset, 1000 + 128) << "the history must turn flat first";
    EXPECT_EQ(longer[reset - 1], -1) << "the rate expired before";
    EXPECT_GE(FirstIndexOf(longer, 200, 1500), 1500 + 125) << "a full warm-up";
    EXPECT_EQ(longer.back(), 200);
}

TEST(HeartRateDetector, RandomInputOnlyEverGivesValidResults) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::int32_t> level(-127, 128);
    std::uniform_int_distribution<int> period(20, 130);
    HeartRateDetector detector;
    Results results;
    for (int segment = 0; segment < 60; ++segment) {
        const int p = period(random);
        Feed(detector, results, 500, [&](int f) {
            return segment % 3 == 0 || f % p < 2 ? level(random) : level(random) / 16;
        });
    }
    for (const std::int32_t r : results) {
        ASSERT_TRUE(r == -1 || r == 0 || (r >= 50 && r <= 240)) << r;
    }
}

}  // namespace
}  // namespace marulo::acquisition
