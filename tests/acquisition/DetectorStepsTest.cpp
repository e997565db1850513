// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/DetectorSteps.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <vector>

namespace marulo::acquisition::detail {
namespace {

using Dips = std::vector<std::pair<std::size_t, std::uint32_t>>;
constexpr std::uint32_t kThreshold = 500;

// Lag sums of 1000 everywhere but at the given indices.
LagSums SumsWith(const Dips& dips) {
    LagSums sums;
    sums.fill(1000);
    for (const auto& [index, sum] : dips) {
        sums[index] = sum;
    }
    return sums;
}

TEST(DetectorDips, FirstDipDescentAndRefinement) {
    const std::vector<std::pair<Dips, int>> cases{
        {{{30, 400}, {31, 300}, {32, 300}}, 32},  // equal sums move the descent on
        {{{30, 300}, {40, 300}}, 30},             // an equal sum does not refine
        {{{30, 300}, {40, 299}, {45, 299}}, 40},  // a lower one does, the first found
        {{{30, 300}, {52, 100}}, 52},             // the refinement reaches 22 past the bottom
        {{{30, 300}, {53, 100}}, 30},
        {{{21, 100}, {40, 300}}, 40},  // the search starts at index 22
        {{{21, 100}}, -1},
        {{{126, 300}, {127, 300}}, -1},  // a descent running off the end gives nothing
    };
    for (const auto& [dips, index] : cases) {
        const auto dip = FindFirstDip(SumsWith(dips), kThreshold);
        EXPECT_EQ(dip ? dip->index : -1, index) << dips.front().first;
        if (dip) {
            EXPECT_EQ(dip->period, dip->index + 1);
        }
    }
    EXPECT_TRUE(FindFirstDip(SumsWith({{105, 300}}), kThreshold)->endsSearch);
    EXPECT_FALSE(FindFirstDip(SumsWith({{104, 300}, {110, 200}}), kThreshold)->endsSearch);
}

TEST(DetectorDips, SecondDipKeepsItsIndexOrTakesTheLagOfALowerValue) {
    const std::vector<std::tuple<Dips, std::uint8_t, int>> cases{
        {{{60, 300}}, 30, 60},   {{{60, 300}, {70, 250}}, 30, 71}, {{{60, 300}, {70, 300}}, 30, 60},
        {{{51, 300}}, 30, -1},                             // searched from 22 past the first
        {{{52, 300}}, 30, 52},   {{{127, 200}}, 106, -1},  // no room after the first
        {{{105, 300}}, 60, -1},                            // late bottom
        {{{104, 300}}, 60, 104},
    };
    for (const auto& [dips, first, position] : cases) {
        const auto second = FindSecondDip(SumsWith(dips), kThreshold, first);
        EXPECT_EQ(second ? *second : -1, position) << dips.front().first;
    }
}

TEST(DetectorDips, PeriodCorrection) {
    // {K1, K2, period}; P1 = K1 + 1.
    const std::vector<std::array<int, 3>> cases{
        {29, 59, 30},    // near, rates 200 and 206 agree
        {29, 90, 30},    // far, second rate half the first
        {29, 110, 109},  // far, neither: the distances are joined
        {59, 90, 30},    // near, first rate half the second
        {49, 85, 84},    // near, neither
        // 260 and 285 wrap to 4 and 29; the half-rate bounds do not wrap.
        {22, 44, 21},
        {22, 45, 23},
        {22, 52, 51}};
    for (const auto& [k1, k2, period] : cases) {
        EXPECT_EQ(CorrectPeriod(k1, k1 + 1, k2), period) << k1 << " " << k2;
    }
    EXPECT_EQ(CandidatePeriod(SumsWith({{59, 300}, {90, 300}}), kThreshold), 30);
    EXPECT_EQ(CandidatePeriod(SumsWith({{105, 300}, {127, 300}}), kThreshold), 106);
    EXPECT_EQ(RateOfPeriod(*CandidatePeriod(SumsWith({{22, 300}}), kThreshold)), 4);
}

TEST(DetectorSmoothing, TrimmedMedianMean) {
    const std::vector<std::pair<std::vector<std::uint8_t>, int>> cases{
        {std::vector<std::uint8_t>(25, 200), 200},
        {{200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 4,
          200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200},
         200},
        {{0, 0, 0, 0, 0, 0, 200}, 0},
        {{0, 200, 0, 200, 0, 200, 200}, 200},
        {{100, 187, 226, 205, 185, 224, 225}, 205},  // 20 away is out; the mean rounds down
        {{10, 20, 30, 40, 50, 60, 70}, 40},
    };
    for (const auto& [values, mean] : cases) {
        EXPECT_EQ(TrimmedMedianMean(values, values.size() / 2), mean) << int{values[0]};
    }
}

std::vector<std::int32_t> Batches(RateSmoother& smoother, int rate, int batches) {
    std::vector<std::int32_t> results;
    for (int c = 0; c < batches * 25; ++c) {
        const auto result = smoother.AddCandidate(static_cast<std::uint8_t>(rate));
        EXPECT_EQ(result.has_value(), c % 25 == 24);
        if (result) {
            results.push_back(*result);
        }
    }
    return results;
}

using Results = std::vector<std::int32_t>;

TEST(DetectorSmoothing, WarmUpPendingAndCloseValues) {
    RateSmoother smoother;
    EXPECT_EQ(Batches(smoother, 200, 9), (Results{-1, -1, -1, -1, -1, 200, 200, 200, 200}));
    // The second stage turns at the fourth batch; the output only after three agree.
    EXPECT_EQ(Batches(smoother, 120, 6), (Results{200, 200, 200, 200, 200, 120}));

    RateSmoother close;
    Batches(close, 200, 9);
    EXPECT_EQ(Batches(close, 219, 9), (Results{200, 200, 201, 202, 204, 206, 208, 210, 212}));

    for (const auto& [rate, result] :
         std::vector<std::pair<int, int>>{{49, -1}, {50, 50}, {240, 240}, {241, -1}}) {
        RateSmoother limits;
        EXPECT_EQ(Batches(limits, rate, 6).back(), result) << rate;
    }
}

TEST(DetectorSmoothing, ForgettingRestartsTheWarmUpButKeepsTheBatch) {
    RateSmoother smoother;
    Batches(smoother, 200, 9);
    for (int c = 0; c < 24; ++c) {
        if (c == 10) {
            smoother.ForgetSlowStages();
        }
        EXPECT_FALSE(smoother.AddCandidate(200));
    }
    EXPECT_EQ(smoother.AddCandidate(200), -1);
    EXPECT_EQ(Batches(smoother, 200, 5), (Results{-1, -1, -1, -1, 200}));
}

}  // namespace
}  // namespace marulo::acquisition::detail
