// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/TracePaper.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace marulo::report {
namespace {

constexpr PageFrame kA4{297.0, 210.0, 12.0, 44.0, 8.0};
constexpr PageFrame kLetter{279.4, 215.9, 12.0, 44.0, 8.0};
constexpr PageFrame kTiny{120.0, 90.0, 12.0, 44.0, 8.0};

TEST(TracePaperTest, RowsAndPagesAsTheRecordNeeds) {
    const struct {
        const char* what;
        PaperSpeed speed;
        PageFrame frame;
        std::int64_t seconds;
        int minutesPerRow;
        std::size_t rows;
        int pages;
    } cases[] = {
        {"empty record gets blank paper", PaperSpeed::OneCmPerMinute, kA4, 0, 26, 1, 1},
        {"exactly one row", PaperSpeed::OneCmPerMinute, kA4, 26 * 60, 26, 1, 1},
        {"one second more", PaperSpeed::OneCmPerMinute, kA4, 26 * 60 + 1, 26, 2, 2},
        {"three rows: page two holds two", PaperSpeed::OneCmPerMinute, kA4, 3 * 26 * 60, 26, 3, 2},
        {"eight hours", PaperSpeed::OneCmPerMinute, kA4, 8 * 3600, 26, 19, 10},
        {"eight hours at 3 cm/min", PaperSpeed::ThreeCmPerMinute, kA4, 8 * 3600, 8, 60, 31},
        {"letter is narrower", PaperSpeed::OneCmPerMinute, kLetter, 3600, 24, 3, 2},
        {"a page too small still takes a row", PaperSpeed::ThreeCmPerMinute, kTiny, 600, 2, 5, 5},
    };
    for (const auto& c : cases) {
        const TracePaper paper(c.speed, c.frame, c.seconds);
        EXPECT_EQ(paper.MinutesPerRow(), c.minutesPerRow) << c.what;
        EXPECT_EQ(paper.Rows().size(), c.rows) << c.what;
        EXPECT_EQ(paper.PageCount(), c.pages) << c.what;
        // Rows follow each other second by second with none left out.
        for (std::size_t i = 0; i < paper.Rows().size(); ++i) {
            EXPECT_EQ(paper.Rows()[i].firstSecond,
                      static_cast<std::int64_t>(i) * paper.SecondsPerRow())
                << c.what;
        }
    }
}

TEST(TracePaperTest, PlacesOnThePage) {
    const TracePaper paper(PaperSpeed::OneCmPerMinute, kA4, 3 * 26 * 60);
    const std::vector<PaperRow>& rows = paper.Rows();
    ASSERT_EQ(rows.size(), 3U);
    // Below the header on the first page; from the top margin on the next, 90 mm apart.
    const struct {
        std::size_t row;
        int page;
        double top;
    } places[] = {{0, 0, 12 + 44 + 6}, {1, 1, 12 + 6}, {2, 1, 12 + 6 + 90}};
    for (const auto& p : places) {
        EXPECT_EQ(rows[p.row].page, p.page) << p.row;
        EXPECT_DOUBLE_EQ(rows[p.row].topMm, p.top) << p.row;
        EXPECT_DOUBLE_EQ(rows[p.row].leftMm, 21.0) << p.row;
    }
    const PaperRow& row = rows[1];
    const struct {
        double bpm;
        double y;
    } rates[] = {{210, 18}, {50, 98}, {130, 58}, {145, 50.5}, {300, 18}, {-5, 98}};
    for (const auto& r : rates) {
        EXPECT_DOUBLE_EQ(paper.YForRate(row, r.bpm), r.y) << r.bpm;
    }
    // 1 cm a minute: half a minute is 5 mm; the row starts at second 1560.
    EXPECT_DOUBLE_EQ(paper.XForSecond(row, 1560), 21.0);
    EXPECT_DOUBLE_EQ(paper.XForSecond(row, 1590), 26.0);
    EXPECT_DOUBLE_EQ(paper.RowWidthMm(), 260.0);

    const TracePaper fast(PaperSpeed::ThreeCmPerMinute, kA4, 600);
    EXPECT_DOUBLE_EQ(fast.XForSecond(fast.Rows()[0], 30), 21.0 + 15.0);
}

TEST(TracePaperTest, DarkLinesEveryTenMinutesOfTheRecordAndThirtyBpm) {
    const TracePaper paper(PaperSpeed::OneCmPerMinute, kA4, 2 * 26 * 60);
    const auto darkIndexes = [](const std::vector<GridLine>& lines) {
        std::vector<std::size_t> dark;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].dark) {
                dark.push_back(i);
            }
        }
        return dark;
    };
    const std::vector<GridLine> first = paper.MinuteLines(paper.Rows()[0]);
    ASSERT_EQ(first.size(), 27U);
    EXPECT_EQ(darkIndexes(first), (std::vector<std::size_t>{0, 10, 20}));
    EXPECT_DOUBLE_EQ(first[26].positionMm, 21.0 + 260.0);
    // The second row starts at minute 26: minutes 30, 40 and 50 are dark.
    EXPECT_EQ(darkIndexes(paper.MinuteLines(paper.Rows()[1])),
              (std::vector<std::size_t>{4, 14, 24}));

    const std::vector<GridLine> rates = paper.RateLines(paper.Rows()[0]);
    ASSERT_EQ(rates.size(), 17U);  // 50, 60, ... 210
    // 60, 90, 120, 150, 180 and 210 bpm.
    EXPECT_EQ(darkIndexes(rates), (std::vector<std::size_t>{1, 4, 7, 10, 13, 16}));
}

TEST(TracePaperTest, RunsNeverBridgeAGap) {
    const std::vector<std::int32_t> trace = {0, 140, 141, 0, 0, 150, 49, 241, 60, 61, 62};
    const struct {
        std::int64_t first, count;
        std::vector<std::pair<std::int64_t, std::int64_t>> runs;
    } cases[] = {
        {0, 11, {{1, 2}, {5, 1}, {8, 3}}},
        {2, 7, {{2, 1}, {5, 1}, {8, 1}}},  // cut at both ends of a row
        {3, 2, {}},
        {9, 100, {{9, 2}}},  // a row longer than the trace
        {20, 5, {}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::int64_t, std::int64_t>> runs;
        for (const TraceRun& run : RatedRuns(trace, c.first, c.count)) {
            runs.emplace_back(run.firstSecond, run.seconds);
        }
        EXPECT_EQ(runs, c.runs) << c.first << "+" << c.count;
    }
}

}  // namespace
}  // namespace marulo::report
