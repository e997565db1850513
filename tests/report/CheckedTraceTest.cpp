// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "report/CheckedTrace.h"

namespace marulo::report {
namespace {

using ratecheck::Mark;
using ratecheck::Quality;

// Each second not confirmed is counted once, by its reason; seconds the checks do not reach
// have no signal, and only checked rates are drawn.
TEST(CheckedTraceTest, RatesMarksAndTheReasonsOfUnconfirmedSeconds) {
    const std::vector<ratecheck::SecondCheck> checks = {{Quality::Good, 141},
                                                        {Quality::Half, 150},
                                                        {Quality::Maternal, std::nullopt},
                                                        {Quality::Double, 145},
                                                        {Quality::Unsure, std::nullopt},
                                                        {Quality::None, std::nullopt},
                                                        {Quality::Maternal, 148}};
    const CheckedTrace checked = CheckTrace(9, checks);
    EXPECT_EQ(checked.rates, (std::vector<std::int32_t>{141, 150, 0, 145, 0, 0, 148, 0, 0}));
    EXPECT_EQ(checked.marks, (std::vector<Mark>{Mark::Confirmed, Mark::Doubtful, Mark::Doubtful,
                                                Mark::Doubtful, Mark::Doubtful, Mark::NoSignal,
                                                Mark::Doubtful, Mark::NoSignal, Mark::NoSignal}));
    EXPECT_EQ(checked.maternalSeconds, 2);
    EXPECT_EQ(checked.halfSeconds, 1);
    EXPECT_EQ(checked.noSignalSeconds, 3);
    EXPECT_EQ(checked.unsureSeconds, 2);
    EXPECT_EQ(checked.UnconfirmedSeconds(), 8);

    const CheckedTrace shorter = CheckTrace(2, checks);
    EXPECT_EQ(shorter.rates, (std::vector<std::int32_t>{141, 150}));
    EXPECT_EQ(shorter.UnconfirmedSeconds(), 1);
}

}  // namespace
}  // namespace marulo::report
