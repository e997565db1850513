// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <vector>

#include "report/CheckedTrace.h"
#include "report/TraceSummary.h"

namespace marulo::report {
namespace {

using ratecheck::Mark;
using ratecheck::Quality;
using Status = SecondStatus;

struct Stretch {
    Quality quality;
    std::optional<std::int32_t> bpm;
    int seconds;
};

std::vector<ratecheck::SecondCheck> Checks(const std::vector<Stretch>& stretches) {
    std::vector<ratecheck::SecondCheck> checks;
    for (const Stretch& stretch : stretches) {
        checks.insert(checks.end(), static_cast<std::size_t>(stretch.seconds),
                      {stretch.quality, stretch.bpm});
    }
    return checks;
}

// Every second is counted once, so the statuses add up to the length; only rates that count are
// drawn and enter the figures: never a half-rate second, a short spike or the mother's pulse.
TEST(CheckedTraceTest, EverySecondCountedOnceAndOnlyCountedRatesDrawn) {
    const struct {
        const char* name;
        std::vector<Stretch> stretches;
        std::size_t traceSeconds;
        std::array<std::int64_t, kStatusCount> seconds;  // confirmed, maternal, half, none, unsure
        std::int32_t lowest;
        std::int32_t highest;
        std::int64_t outsideBand;
    } cases[] = {
        {"mixed qualities, the trace longer than its checks",
         {{Quality::Good, 140, 10},
          {Quality::Half, 280, 3},
          {Quality::Maternal, 75, 4},
          {Quality::None, std::nullopt, 2},
          {Quality::Unsure, std::nullopt, 3},
          {Quality::Double, 145, 2}},
         30,
         {10, 4, 3, 8, 5},
         140,
         140,
         0},
        {"a half-rate stretch between confirmed ones",
         {{Quality::Good, 130, 6}, {Quality::Half, 150, 8}, {Quality::Good, 132, 6}},
         20,
         {12, 0, 8, 0, 0},
         130,
         132,
         0},
        {"isolated checked seconds in silence",
         {{Quality::Good, 140, 20},
          {Quality::None, std::nullopt, 3},
          {Quality::Good, 193, 2},
          {Quality::None, std::nullopt, 1},
          {Quality::Good, 184, 1},
          {Quality::None, std::nullopt, 3},
          {Quality::Good, 141, 10}},
         40,
         {30, 0, 0, 7, 3},
         140,
         141,
         0},
        {"a four-second spike; five seconds are enough",
         {{Quality::Maternal, 101, 5},
          {Quality::Good, 190, 4},
          {Quality::Maternal, std::nullopt, 5},
          {Quality::Good, 125, 5}},
         19,
         {5, 10, 0, 0, 4},
         125,
         125,
         0},
        {"a slow baby the check cannot tell from the mother",
         {{Quality::Unsure, 100, 10},
          {Quality::Good, 105, 3},
          {Quality::None, std::nullopt, 2},
          {Quality::Unsure, 98, 3}},
         18,
         {3, 0, 0, 2, 13},
         100,
         105,
         13},
        {"nothing checked", {}, 5, {0, 0, 0, 5, 0}, 0, 0, 0},
        {"checks beyond a shorter trace",
         {{Quality::Good, 140, 8}},
         6,
         {6, 0, 0, 0, 0},
         140,
         140,
         0},
    };
    for (const auto& c : cases) {
        const std::vector<ratecheck::SecondCheck> checks = Checks(c.stretches);
        const CheckedTrace checked = CheckTrace(c.traceSeconds, checks);
        EXPECT_EQ(checked.seconds, c.seconds) << c.name;
        EXPECT_EQ(std::accumulate(checked.seconds.begin(), checked.seconds.end(), std::int64_t{0}),
                  static_cast<std::int64_t>(c.traceSeconds))
            << c.name;
        ASSERT_EQ(checked.rates.size(), c.traceSeconds) << c.name;
        ASSERT_EQ(checked.marks.size(), c.traceSeconds) << c.name;
        for (std::size_t second = 0; second < c.traceSeconds; ++second) {
            const Quality quality = second < checks.size() ? checks[second].quality : Quality::None;
            if (quality != Quality::Good && quality != Quality::Unsure) {
                EXPECT_EQ(checked.rates[second], 0) << c.name << " second " << second;
            }
            const Status status = checked.statuses[second];
            const Mark mark = status == Status::Confirmed  ? Mark::Confirmed
                              : status == Status::NoSignal ? Mark::NoSignal
                                                           : Mark::Doubtful;
            EXPECT_EQ(checked.marks[second], mark) << c.name << " second " << second;
            EXPECT_EQ(checked.IsSetApart(second),
                      checked.rates[second] > 0 && status != Status::Confirmed)
                << c.name << " second " << second;
        }
        const TraceSummary summary = Summarize(checked.rates);
        EXPECT_EQ(summary.lowest, c.lowest) << c.name;
        EXPECT_EQ(summary.highest, c.highest) << c.name;
        EXPECT_EQ(summary.secondsOutsideBand, c.outsideBand) << c.name;
    }
}

TEST(CheckedTraceTest, StatusWords) {
    EXPECT_EQ(StatusWord(Status::Confirmed), "confirmed");
    EXPECT_EQ(StatusWord(Status::MaternalPulse), "maternal");
    EXPECT_EQ(StatusWord(Status::HalfRate), "half");
    EXPECT_EQ(StatusWord(Status::NoSignal), "none");
    EXPECT_EQ(StatusWord(Status::Uncertain), "uncertain");
}

}  // namespace
}  // namespace marulo::report
