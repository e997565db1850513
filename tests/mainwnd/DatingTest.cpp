// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/Dating.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/DayNumbers.h"

namespace marulo::mainwnd {
namespace {

double At(int y, int mo, int d, int h, int mi, int s) {
    return *platform::DayNumberFromCivil(y, mo, d, h, mi, s);
}

const double Today = At(2010, 2, 9, 15, 30, 0);

TEST(DatingTest, AgeFromEdc) {
    struct Case {
        const char* edc;
        int week;
        int day;
    } const cases[] = {
        {"2010-02-09", 40, 0}, {"2010-11-16", 0, 0},    {"2010-11-17", 0, -1},
        {"2010-02-08", 40, 1}, {"2010-02-19", 38, 4},   {"2011-02-09", -12, -1},
        {" 2010-2-9", 40, 0},  {"2010- 02-09x", 40, 0},
    };
    for (const Case& c : cases) {
        const auto age = AgeFromEdc(c.edc, Today);
        ASSERT_TRUE(age) << c.edc;
        EXPECT_EQ(age->week, c.week) << c.edc;
        EXPECT_EQ(age->day, c.day) << c.edc;
    }
    for (const char* bad : {"", "2010-02-30", "2010/02/09", "2010-02", "--", "abcd-ef-gh",
                            "2010 -02-09", "99999999999-01-01"}) {
        EXPECT_FALSE(AgeFromEdc(bad, Today)) << bad;
    }
}

TEST(DatingTest, MidnightShiftsTheAgeByExactlyOneDay) {
    const auto before = AgeFromEdc("2010-02-09", At(2010, 2, 9, 23, 59, 59));
    const auto after = AgeFromEdc("2010-02-09", At(2010, 2, 10, 0, 0, 0));
    ASSERT_TRUE(before && after);
    EXPECT_EQ(before->week * 7 + before->day + 1, after->week * 7 + after->day);
    EXPECT_EQ(EdcFromAge("40", "0", At(2010, 2, 9, 23, 59, 59)), "2010-02-09");
    EXPECT_EQ(EdcFromAge("40", "0", At(2010, 2, 10, 0, 0, 0)), "2010-02-10");
}

TEST(DatingTest, EdcFromAge) {
    EXPECT_EQ(EdcFromAge("40", "0", Today), "2010-02-09");
    EXPECT_EQ(EdcFromAge("0", "0", Today), "2010-11-16");
    EXPECT_EQ(EdcFromAge("43", "6", Today), "2010-01-13");
    EXPECT_EQ(EdcFromAge("", "3", Today), "");
    EXPECT_EQ(EdcFromAge("40", "", Today), "");
    EXPECT_EQ(EdcFromAge("99999999999", "0", Today), "");
}

TEST(DatingTest, EveryMenuAgeComesBackFromItsEdc) {
    for (const double today :
         {At(2010, 2, 9, 0, 0, 0), At(2010, 2, 9, 23, 59, 59), At(2012, 2, 29, 12, 0, 0)}) {
        for (int week = 0; week <= 43; ++week) {
            for (int day = 0; day <= 6; ++day) {
                const std::string edc =
                    EdcFromAge(std::to_string(week), std::to_string(day), today);
                const auto age = AgeFromEdc(edc, today);
                ASSERT_TRUE(age) << edc;
                EXPECT_EQ(age->week, week) << edc;
                EXPECT_EQ(age->day, day) << edc;
            }
        }
    }
}

TEST(DatingTest, WeekMenuAndFormats) {
    std::string labels;
    for (const WeekRange range : SpanWeekRanges()) {
        labels += WeekRangeLabel(range) + "|";
    }
    EXPECT_EQ(labels, "0 ~ 9|10 ~ 19|20 ~ 29|30 ~ 39|40 ~ 42|");
    EXPECT_EQ(FormatEdc(2010, 5, 2), "2010-05-02");
    EXPECT_EQ(FormatEdc(999, 1, 1), "0999-01-01");
}

TEST(DatingTest, OneSpanFrom280DaysAheadToTwoWeeksPast) {
    // One rule for the calendar, the menus and typed entry: a due date up to two weeks
    // past (an overdue mother) stands, one day more does not.
    struct Case {
        const char* edc;
        GestationalAge age;
        EdcSpanCheck check;
    } const cases[] = {
        {"2010-02-09", {40, 0}, EdcSpanCheck::Accepted},
        {"2010-11-16", {0, 0}, EdcSpanCheck::Accepted},
        {"2010-02-16", {39, 0}, EdcSpanCheck::Accepted},
        {"2010-02-08", {40, 1}, EdcSpanCheck::Accepted},
        {"2010-01-26", {42, 0}, EdcSpanCheck::Accepted},
        {"2010-01-25", {42, 1}, EdcSpanCheck::TooLongPast},
        {"2010-01-22", {42, 4}, EdcSpanCheck::TooLongPast},
        {"2010-01-13", {43, 6}, EdcSpanCheck::TooLongPast},
        {"2010-11-17", {0, -1}, EdcSpanCheck::TooFarAhead},
        {"2011-02-09", {-12, -1}, EdcSpanCheck::TooFarAhead},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckEdcSpan(c.age), c.check) << c.edc;
        EXPECT_EQ(CheckEdcSpanText(c.edc, Today), c.check) << c.edc;
    }
    for (const char* bad : {"", "2010-02-30", "12.5.2010"}) {
        EXPECT_FALSE(CheckEdcSpanText(bad, Today)) << bad;
    }
    EXPECT_EQ(EdcRefusalKey(EdcSpanCheck::Accepted), "");
    EXPECT_EQ(EdcRefusalKey(EdcSpanCheck::TooFarAhead), "AlertEDCOver");
    EXPECT_EQ(EdcRefusalKey(EdcSpanCheck::TooLongPast), "AlertEDCLongPast");
}

TEST(DatingTest, EveryAgeTheMenusOfferIsInTheSpan) {
    int offered = 0;
    for (const WeekRange range : SpanWeekRanges()) {
        for (int week = range.low; week <= range.high; ++week) {
            for (int day = 0; day < DaysOffered(week); ++day) {
                EXPECT_EQ(CheckEdcSpan({week, day}), EdcSpanCheck::Accepted) << week << "+" << day;
                ++offered;
            }
        }
    }
    EXPECT_EQ(offered, MaxAgeDays + 1);
}

}  // namespace
}  // namespace marulo::mainwnd
