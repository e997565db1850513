// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <vector>

#include "views/ChartGeometry.h"

namespace marulo::views {
namespace {

constexpr int kClientWidth = 510;
constexpr int kClientHeight = 233;
const ChartExtent kStandard = MakeChartExtent(kClientWidth, kClientHeight);
const int kStandardMax = MaxOffset(kStandard, kClientWidth);

TEST(ChartGeometry, ExtentAndStepsFollowTheWidthAtCreation) {
    EXPECT_EQ(MakeChartExtent(510, 233), (ChartExtent{3680, 233, 36, 368}));
    EXPECT_EQ(MakeChartExtent(0, 0), (ChartExtent{3680, 0, 36, 368}));
    EXPECT_EQ(MakeChartExtent(4005, 100), (ChartExtent{4005, 100, 40, 400}));
    EXPECT_EQ(kStandardMax, 3170);
    EXPECT_EQ(MaxOffset(kStandard, 4000), 0);
    EXPECT_EQ(ChartWidth(kStandard, 4000), 4000);
    EXPECT_EQ(ChartWidth(kStandard, 510), 3680);
}

TEST(ChartGeometry, ValuesStandOnePixelPerBeatAboveThirtyAtTheBottom) {
    EXPECT_EQ(BandTop(233), 20);
    EXPECT_EQ(ValueY(233, 30), 233);
    EXPECT_EQ(ValueY(233, 240), 23);
    EXPECT_EQ(ValueY(233, 0), 263);
    // The detector's rates 50 to 240 fall inside the grid band.
    EXPECT_LE(ValueY(233, 50), 232);
    EXPECT_GE(ValueY(233, 240), BandTop(233));
}

TEST(ChartGeometry, GridTilesCoverTheChartOnePerMinute) {
    const std::vector<int> tiles = GridTileLefts(3680);
    ASSERT_EQ(tiles.size(), 62u);
    EXPECT_EQ(tiles.front(), 0);
    EXPECT_EQ(tiles[1], 60);
    EXPECT_EQ(tiles.back(), 3660);
    EXPECT_EQ(GridTileLefts(61).size(), 2u);
}

TEST(ChartGeometry, MinuteLabelsStandOnEveryEvenMinuteAfterTheFirst) {
    const std::vector<MinuteLabel> labels = MinuteLabels(3680, kClientHeight);
    ASSERT_EQ(labels.size(), 30u);
    EXPECT_EQ(labels.front(), (MinuteLabel{2, {80, 0, 160, 20}}));
    EXPECT_EQ(labels[1].minute, 4);
    EXPECT_EQ(labels.back(), (MinuteLabel{60, {3560, 0, 3640, 20}}));
    EXPECT_TRUE(MinuteLabels(120, kClientHeight).empty());
    EXPECT_EQ(MinuteLabels(121, kClientHeight).size(), 1u);
}

TEST(ChartGeometry, LabelsOfTheShownColumnsAreThoseOfTheWholeChartThatReachThem) {
    const int width = 7260;
    const std::vector<MinuteLabel> all = MinuteLabels(width, kClientHeight);
    const ColumnSpan pages[] = {{0, 510},     {79, 81},     {80, 81},     {159, 200}, {160, 200},
                                {3170, 3680}, {6750, 7260}, {7000, 7000}, {0, 7260}};
    for (const ColumnSpan page : pages) {
        std::vector<MinuteLabel> reaching;
        for (const MinuteLabel& label : all) {
            if (label.box.right > page.left && label.box.left < page.right) {
                reaching.push_back(label);
            }
        }
        EXPECT_EQ(MinuteLabelsIn(page, width, kClientHeight), reaching)
            << page.left << "-" << page.right;
    }
    EXPECT_EQ(MinuteLabelsIn({6750, 7260}, width, kClientHeight).back().minute, 120);
}

TEST(ChartGeometry, ExtentGrowsInWholeMinutesToHoldTheTraceAndTheSecondAfterIt) {
    struct Case {
        std::size_t count;
        int width;
    };
    const Case cases[] = {
        {0, 3680},      {3679, 3680}, {3680, 3720},
        {3719, 3720},   {3720, 3780}, {7200, 7260},  // a two-hour record
        {86400, 86460},                              // a whole day
    };
    for (const Case& c : cases) {
        const ChartExtent grown = FitExtentToTrace(kStandard, c.count);
        EXPECT_EQ(grown, (ChartExtent{c.width, kStandard.height, 36, 368})) << c.count;
        // Scrolled to its right end, the chart shows the last value and the second after it.
        const int right = ScrollOffset(ScrollRequest::RightEnd, 0, grown, kClientWidth);
        EXPECT_GE(right + kClientWidth, static_cast<int>(c.count) + 1) << c.count;
    }
    // A live run keeps its newest value in view however long it runs.
    ChartExtent live = kStandard;
    int offset = 0;
    for (std::size_t count = 1; count <= 9000; ++count) {
        live = FitExtentToTrace(kStandard, count);
        offset = LiveFollow(offset, kClientWidth, count, MaxOffset(live, kClientWidth));
        ASSERT_LE(offset, static_cast<int>(count) - 1) << count;
        ASSERT_GT(offset + kClientWidth, static_cast<int>(count) - 1) << count;
    }
    // An absurd count stays within int pixels.
    EXPECT_GT(FitExtentToTrace(kStandard, std::size_t{1} << 40).width, 2'000'000'000);
}

std::vector<std::int32_t> Rates(std::size_t count, std::vector<std::size_t> gaps) {
    std::vector<std::int32_t> trace(count, 140);
    for (const std::size_t gap : gaps) {
        trace[gap] = 0;
    }
    return trace;
}

TEST(ChartGeometry, MissingValuesCutThreeColumnsOutOfTheTrace) {
    struct Case {
        const char* name;
        std::vector<std::int32_t> trace;
        ColumnSpan visible;
        std::vector<ColumnSpan> expected;
    };
    const std::vector<Case> cases = {
        {"no gap", Rates(600, {}), {0, 510}, {{0, 510}}},
        {"empty trace", {}, {0, 510}, {{0, 510}}},
        {"one gap", Rates(20, {5}), {0, 510}, {{0, 4}, {7, 510}}},
        {"negative value", {140, 140, 140, 140, 140, -3, 140}, {0, 510}, {{0, 4}, {7, 510}}},
        {"gap at the first value", Rates(20, {0}), {0, 510}, {{2, 510}}},
        {"adjacent gaps", Rates(20, {5, 6}), {0, 510}, {{0, 4}, {8, 510}}},
        {"gaps one apart", Rates(20, {5, 7}), {0, 510}, {{0, 4}, {9, 510}}},
        {"gap left of the page", Rates(300, {99}), {100, 200}, {{101, 200}}},
        {"gap right of the page", Rates(300, {200}), {100, 200}, {{100, 199}}},
        {"gaps away from the page", Rates(300, {50, 250}), {100, 200}, {{100, 200}}},
        {"all missing", std::vector<std::int32_t>(600, 0), {0, 510}, {}},
        {"values from a file outside 50-240",
         {140, 49, 140, 140, 241, 140, 2147483647, 140},
         {0, 510},
         {{8, 510}}},
        {"range edges are rates", {50, 50, 50, 240, 240, 240}, {0, 510}, {{0, 510}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TraceColumns(c.trace, c.visible), c.expected) << c.name;
    }
}

TEST(ChartGeometry, TracePointsReachOneSegmentBeyondEachSideOfTheColumns) {
    EXPECT_EQ(TracePointsFor({0, 510}, 3680), (IndexRange{0, 512}));
    EXPECT_EQ(TracePointsFor({100, 200}, 1000), (IndexRange{98, 202}));
    EXPECT_EQ(TracePointsFor({100, 200}, 150), (IndexRange{98, 150}));
    EXPECT_EQ(TracePointsFor({100, 200}, 50), (IndexRange{50, 50}));
    EXPECT_EQ(TracePointsFor({0, 510}, 0), (IndexRange{0, 0}));
}

TEST(ChartGeometry, LiveFollowKeepsTheNewestValueOnThePage) {
    struct Case {
        int offset;
        std::size_t count;
        int expected;
    };
    const std::vector<Case> cases = {
        {368, 1, 0},       // a new capture after scrolling: back to the start, never below 0
        {0, 1, 0},         //
        {0, 510, 0},       // value 509 is the page's last column
        {0, 511, 510},     // value 510 starts the next page
        {510, 510, 510},   // the newest value at the page's left edge
        {0, 1500, 1020},   // the largest whole-page step still below the count
        {2000, 600, 470},  // pages back until the offset is no greater than the count
        {3060, 3700, 3170},
        {3170, 5000, 3170},  // beyond the extent the chart stops at its right end
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LiveFollow(c.offset, kClientWidth, c.count, kStandardMax), c.expected)
            << "offset " << c.offset << " count " << c.count;
    }
    EXPECT_EQ(LiveFollow(368, 0, 1, kStandardMax), 368);
}

TEST(ChartGeometry, PlaybackFollowMovesByWholePagesToThePlayingSecond) {
    struct Case {
        int offset;
        std::int64_t second;
        int expected;
    };
    const std::vector<Case> cases = {
        {0, 509, 0},     {0, 510, 510},  // crossing the right edge moves exactly one page
        {0, 511, 510},   {0, 1600, 1530},    {1020, 600, 510},
        {510, 0, 0},     {1020, -1, 1020},  // an unknown position leaves the chart where it is
        {0, 3600, 3170}, {3170, 3600, 3170},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaybackFollow(c.offset, kClientWidth, c.second, kStandardMax), c.expected)
            << "offset " << c.offset << " second " << c.second;
    }
}

TEST(ChartGeometry, ScrollRequestsStayWithinTheExtent) {
    struct Case {
        ScrollRequest request;
        int offset;
        int expected;
    };
    const std::vector<Case> cases = {
        {ScrollRequest::LineLeft, 100, 64},     {ScrollRequest::LineRight, 100, 136},
        {ScrollRequest::PageLeft, 100, 0},      {ScrollRequest::PageRight, 100, 468},
        {ScrollRequest::LeftEnd, 100, 0},       {ScrollRequest::RightEnd, 100, 3170},
        {ScrollRequest::LineLeft, 20, 0},       {ScrollRequest::LineRight, 3150, 3170},
        {ScrollRequest::PageRight, 3000, 3170},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScrollOffset(c.request, c.offset, kStandard, kClientWidth), c.expected)
            << "request " << static_cast<int>(c.request) << " from " << c.offset;
    }
    EXPECT_EQ(ScrollOffset(ScrollRequest::RightEnd, 0, kStandard, 4000), 0);
}

TEST(ChartGeometry, WheelTurnsBecomeStepsWithTheRemainderKept) {
    struct Case {
        int remainder;
        int delta;
        int lines;
        WheelScroll expected;
    };
    const std::vector<Case> cases = {
        {0, 120, 3, {-3, false, 0}},  // up or away: to the left
        {0, -120, 3, {3, false, 0}},
        {0, 240, 3, {-6, false, 0}},
        {0, 40, 3, {-1, false, 0}},
        {0, 20, 3, {0, false, 60}},
        {60, 20, 3, {-1, false, 0}},
        {100, -40, 1, {0, false, 60}},
        {0, 120, kWheelScrollsPages, {-1, true, 0}},
        {0, -60, kWheelScrollsPages, {0, true, -60}},
        {-60, -60, kWheelScrollsPages, {1, true, 0}},
        {0, 120, 0, {0, false, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ApplyWheel(c.remainder, c.delta, c.lines), c.expected)
            << "remainder " << c.remainder << " delta " << c.delta << " lines " << c.lines;
    }
}

TEST(ChartGeometry, AFinelyReportedWheelTurnScrollsAsFarAsWholeNotches) {
    for (const int lines : {1, 3, 7}) {
        for (const int piece : {1, 8, 15, 40, 60}) {
            int remainder = 0;
            int steps = 0;
            for (int turned = 0; turned < 360; turned += piece) {
                const WheelScroll wheel = ApplyWheel(remainder, -piece, lines);
                remainder = wheel.remainder;
                steps += wheel.steps;
            }
            EXPECT_EQ(steps, 3 * lines) << "lines " << lines << " piece " << piece;
        }
    }
}

TEST(ChartGeometry, WheelStepsMoveByLinesOrPagesWithinTheExtent) {
    EXPECT_EQ(WheelOffset(100, {-3, false, 0}, kStandard, kClientWidth), 0);
    EXPECT_EQ(WheelOffset(100, {3, false, 0}, kStandard, kClientWidth), 208);
    EXPECT_EQ(WheelOffset(100, {1, true, 0}, kStandard, kClientWidth), 468);
    EXPECT_EQ(WheelOffset(3000, {2, true, 0}, kStandard, kClientWidth), 3170);
    EXPECT_EQ(WheelOffset(0, {1, true, 0}, kStandard, 4000), 0);
}

TEST(ChartGeometry, ClicksAndThePointingCursorFollowTheTraceEnd) {
    struct Case {
        bool live;
        int chartX;
        std::size_t count;
        std::optional<int> second;
        bool pointing;
    };
    const std::vector<Case> cases = {
        {false, 0, 1, 0, true},
        {false, 1, 1, 1, false},  // just after the last value: plays, no pointing cursor
        {false, 2, 1, std::nullopt, false},
        {false, 0, 0, 0, false},
        {false, 90, 3680, 90, true},
        {true, 0, 10, std::nullopt, false},  // live: clicks do nothing, default cursor
        {false, -1, 10, std::nullopt, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClickedSecond(c.live, c.chartX, c.count), c.second)
            << "x " << c.chartX << " count " << c.count << " live " << c.live;
        EXPECT_EQ(ShowsPointingCursor(c.live, c.chartX, c.count), c.pointing)
            << "x " << c.chartX << " count " << c.count << " live " << c.live;
    }
}

TEST(ChartGeometry, ReadoutShowsOnlyRatesAboveZeroWithinTheTrace) {
    EXPECT_EQ(PositionSecond(-1), -1);
    EXPECT_EQ(PositionSecond(999), 0);
    EXPECT_EQ(PositionSecond(90000), 90);

    const std::vector<std::int32_t> trace{120, 0, -5, 140};
    EXPECT_EQ(ReadoutValue(-1, trace), std::nullopt);
    EXPECT_EQ(ReadoutValue(0, trace), 120);
    EXPECT_EQ(ReadoutValue(1, trace), std::nullopt);
    EXPECT_EQ(ReadoutValue(2, trace), std::nullopt);
    EXPECT_EQ(ReadoutValue(3, trace), 140);
    EXPECT_EQ(ReadoutValue(4, trace), std::nullopt);

    const std::vector<std::pair<std::int32_t, std::optional<std::int32_t>>> values = {
        {49, std::nullopt},
        {50, 50},
        {240, 240},
        {241, std::nullopt},
        {2147483647, std::nullopt},
        {-2147483647 - 1, std::nullopt},
    };
    for (const auto& [value, shown] : values) {
        EXPECT_EQ(ReadoutValue(0, std::vector<std::int32_t>{value}), shown) << value;
    }
}

TEST(ChartGeometry, ReadoutAndCursorSitInTheGridBand) {
    EXPECT_EQ(LayoutReadout(510, 233, 30, 21),
              (ReadoutLayout{5, 25, {38, 25, 510, 35}, {38, 35, 510, 46}}));
    EXPECT_EQ(PlaybackCursorLine(100, 233), (Rect{100, 22, 101, 231}));
}

}  // namespace
}  // namespace marulo::views
