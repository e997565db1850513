// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/TraceSummary.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace marulo::report {
namespace {

struct SummaryCase {
    const char* what;
    std::vector<std::int32_t> trace;
    std::int64_t rated;
    double median;
    std::int32_t p10, p90, lowest, highest;
    std::int64_t outside;
};

TEST(TraceSummaryTest, FiguresOverTheRatedSecondsOnly) {
    const SummaryCase cases[] = {
        {"empty", {}, 0, 0, 0, 0, 0, 0, 0},
        {"nothing from 50 to 240", {0, -1, 49, 241, 1000}, 0, 0, 0, 0, 0, 0, 0},
        {"the edges are rates", {50, 240, 0}, 2, 145, 50, 240, 50, 240, 2},
        {"odd count", {140, 0, 120, 130}, 3, 130, 120, 140, 120, 140, 0},
        {"even count takes the middle mean", {140, 121, 130, 125}, 4, 127.5, 121, 140, 121, 140, 0},
        {"band edges are inside", {109, 110, 160, 161}, 4, 135, 109, 161, 109, 161, 2},
        // Ten rates 101..110: nearest rank puts the 10th percentile on the first and the 90th
        // on the ninth.
        {"nearest rank",
         {101, 102, 103, 104, 105, 106, 107, 108, 109, 110},
         10,
         105.5,
         101,
         109,
         101,
         110,
         9},
    };
    for (const SummaryCase& c : cases) {
        const TraceSummary summary = Summarize(c.trace);
        EXPECT_EQ(summary.seconds, static_cast<std::int64_t>(c.trace.size())) << c.what;
        EXPECT_EQ(summary.ratedSeconds, c.rated) << c.what;
        EXPECT_DOUBLE_EQ(summary.median, c.median) << c.what;
        EXPECT_EQ(summary.percentile10, c.p10) << c.what;
        EXPECT_EQ(summary.percentile90, c.p90) << c.what;
        EXPECT_EQ(summary.lowest, c.lowest) << c.what;
        EXPECT_EQ(summary.highest, c.highest) << c.what;
        EXPECT_EQ(summary.secondsOutsideBand, c.outside) << c.what;
    }
}

TEST(TraceSummaryTest, CoverageAndMinutesOfALongRecord) {
    // Eight hours: the first quarter without a rate, then 95 bpm for 90 seconds, the rest 140.
    std::vector<std::int32_t> trace(8 * 3600, 140);
    std::fill(trace.begin(), trace.begin() + 7200, 0);
    std::fill(trace.begin() + 7200, trace.begin() + 7290, 95);
    const TraceSummary summary = Summarize(trace);
    EXPECT_DOUBLE_EQ(summary.Coverage(), 0.75);
    EXPECT_DOUBLE_EQ(summary.MinutesOutsideBand(), 1.5);
    EXPECT_DOUBLE_EQ(summary.median, 140);
    EXPECT_EQ(summary.percentile10, 140);
    EXPECT_EQ(summary.lowest, 95);
    EXPECT_DOUBLE_EQ(Summarize({}).Coverage(), 0.0);
}

}  // namespace
}  // namespace marulo::report
