// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/RateLook.h"

#include <gtest/gtest.h>

#include <vector>

namespace marulo::views {
namespace {

using ratecheck::Quality;

// Review shows a second as the report counts it: the confirmed rate plainly, a counted slow rate
// set apart, nothing for a half-rate, mother's pulse or spike second, and the unchecked trace set
// apart beyond the checked seconds or before any check.
TEST(RateLook, ReviewFollowsTheReportsCount) {
    const std::vector<std::int32_t> trace = {70, 70,  70,  70,  70,  140, 140, 140, 140, 140,
                                             0,  214, 100, 100, 100, 100, 100, 100, 30,  150};
    std::vector<ratecheck::SecondCheck> checks(5, {Quality::Half, 140});
    checks.insert(checks.end(), 5, {Quality::Good, 141});
    checks.push_back({Quality::None, std::nullopt});
    checks.push_back({Quality::Good, 214});  // an isolated spike
    checks.push_back({Quality::None, std::nullopt});
    checks.insert(checks.end(), 5, {Quality::Unsure, 99});
    const report::CheckedTrace checked = report::CheckTrace(trace.size(), checks);
    const std::size_t checkedSeconds = checks.size();

    const struct {
        std::int64_t second;
        ShownRate withCheck;
        ShownRate withoutCheck;
    } cases[] = {
        {-1, {}, {}},
        {0, {}, {RateLook::SetApart, 70}},  // half rate: never the doubled one
        {5, {RateLook::Plain, 141}, {RateLook::SetApart, 140}},
        {10, {}, {}},
        {11, {}, {RateLook::SetApart, 214}},
        {12, {}, {RateLook::SetApart, 100}},
        {13, {RateLook::SetApart, 99}, {RateLook::SetApart, 100}},
        {18, {}, {}},  // beyond the checks, and no rate in the trace
        {19, {RateLook::SetApart, 150}, {RateLook::SetApart, 150}},
        {20, {}, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReviewRate(c.second, trace, &checked, checkedSeconds), c.withCheck) << c.second;
        EXPECT_EQ(ReviewRate(c.second, trace, nullptr, 0), c.withoutCheck) << c.second;
    }

    const TraceLayers layers = ReviewLayers(trace, &checked, checkedSeconds);
    EXPECT_EQ(layers.plain[7], 141);
    EXPECT_EQ(layers.setApart[7], 0);
    EXPECT_EQ(layers.setApart[15], 99);
    EXPECT_EQ(layers.unchecked[19], 150);
    EXPECT_EQ(layers.plain[11] + layers.setApart[11] + layers.unchecked[11], 0) << "no spike";
    for (std::size_t second = 0; second < 5; ++second) {
        EXPECT_EQ(layers.plain[second] + layers.setApart[second] + layers.unchecked[second], 0)
            << "no half-rate second is drawn";
    }
}

// While a run goes on its chart follows the live mark as the live number does: the rate of a good
// second plainly, of a weak one set apart, none without a signal, and a second not yet marked as
// unchecked.
TEST(RateLook, LiveChartFollowsTheLiveMark) {
    using livesignal::SignalState;
    using ratecheck::Mark;
    const std::vector<std::int32_t> trace = {140, 214, 78, 0, 141};
    const std::vector<Mark> marks = {StripMark(SignalState::Good), StripMark(SignalState::None),
                                     StripMark(SignalState::Weak), StripMark(SignalState::Good)};
    EXPECT_EQ(marks, (std::vector<Mark>{Mark::Confirmed, Mark::NoSignal, Mark::Doubtful,
                                        Mark::Confirmed}));
    const TraceLayers layers = LiveLayers(trace, marks);
    EXPECT_EQ(layers.plain, (std::vector<std::int32_t>{140, 0, 0, 0, 0}));
    EXPECT_EQ(layers.setApart, (std::vector<std::int32_t>{0, 0, 78, 0, 0}));
    EXPECT_EQ(layers.unchecked, (std::vector<std::int32_t>{0, 0, 0, 0, 141}));
}

}  // namespace
}  // namespace marulo::views
