// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DayNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace marulo::platform {
namespace {

struct Known {
    int year, month, day, hour, minute, second;
    double dayNumber;
};

constexpr Known KnownDays[] = {
    {1899, 12, 30, 0, 0, 0, 0.0},
    {1899, 12, 30, 6, 0, 0, 0.25},
    {1899, 12, 29, 0, 0, 0, -1.0},
    {1899, 12, 29, 6, 0, 0, -1.25},
    {1899, 12, 28, 18, 0, 0, -2.75},
    {1900, 1, 1, 0, 0, 0, 2.0},
    {1900, 3, 1, 0, 0, 0, 61.0},
    {2000, 1, 1, 12, 0, 0, 36526.5},
    {2010, 2, 9, 0, 0, 0, 40218.0},
    {2012, 2, 29, 0, 0, 0, 40968.0},
    {100, 1, 1, 0, 0, 0, -657434.0},
    {9999, 12, 31, 0, 0, 0, 2958465.0},
    {2010, 2, 9, 23, 59, 59, 40218.0 + 86399.0 / 86400.0},
};

TEST(DayNumbersTest, KnownDatesInBothDirections) {
    for (const Known& k : KnownDays) {
        const auto number = DayNumberFromCivil(k.year, k.month, k.day, k.hour, k.minute, k.second);
        ASSERT_TRUE(number) << k.year << "-" << k.month << "-" << k.day;
        EXPECT_DOUBLE_EQ(*number, k.dayNumber) << k.year << "-" << k.month << "-" << k.day;

        const CivilDateTime civil = CivilFromDayNumber(k.dayNumber);
        EXPECT_EQ(civil.year, k.year) << k.dayNumber;
        EXPECT_EQ(civil.month, k.month) << k.dayNumber;
        EXPECT_EQ(civil.day, k.day) << k.dayNumber;
        EXPECT_EQ(civil.hour, k.hour) << k.dayNumber;
        EXPECT_EQ(civil.minute, k.minute) << k.dayNumber;
        EXPECT_EQ(civil.second, k.second) << k.dayNumber;
        EXPECT_EQ(civil.millisecond, 0);
    }
}

TEST(DayNumbersTest, InvalidDatesGiveNothing) {
    const int invalid[][6] = {
        {2010, 2, 29, 0, 0, 0}, {1900, 2, 29, 0, 0, 0}, {2010, 4, 31, 0, 0, 0},
        {2010, 0, 1, 0, 0, 0},  {2010, 13, 1, 0, 0, 0}, {2010, 1, 0, 0, 0, 0},
        {0, 0, 0, 0, 0, 0},     {99, 12, 31, 0, 0, 0},  {10000, 1, 1, 0, 0, 0},
        {2010, 1, 1, 24, 0, 0}, {2010, 1, 1, 0, 60, 0}, {2010, 1, 1, 0, 0, 60},
        {2010, 1, 1, -1, 0, 0},
    };
    for (const auto& d : invalid) {
        EXPECT_FALSE(DayNumberFromCivil(d[0], d[1], d[2], d[3], d[4], d[5]))
            << d[0] << "-" << d[1] << "-" << d[2] << " " << d[3] << ":" << d[4] << ":" << d[5];
    }
}

TEST(DayNumbersTest, TimeRoundsToTheSecondAndCarriesIntoTheNextDay) {
    const CivilDateTime late = CivilFromDayNumber(40218.0 + 86399.6 / 86400.0);
    EXPECT_EQ(late.day, 10);
    EXPECT_EQ(late.hour, 0);
    EXPECT_EQ(late.second, 0);

    const CivilDateTime before = CivilFromDayNumber(-1.0 - 86399.6 / 86400.0);
    EXPECT_EQ(before.day, 30);  // day -1 at 24:00 is day 0 at 00:00
    EXPECT_EQ(before.hour, 0);
}

TEST(DayNumbersTest, OutOfRangeValuesAreClamped) {
    const CivilDateTime high = CivilFromDayNumber(1e12);
    EXPECT_EQ(high.year, 9999);
    EXPECT_EQ(high.second, 59);
    EXPECT_EQ(CivilFromDayNumber(-1e12).year, 100);
    EXPECT_EQ(CivilFromDayNumber(std::numeric_limits<double>::quiet_NaN()).year, 1899);
}

TEST(DayNumbersTest, NowIsAValidLocalTime) {
    const LocalTime now = NowLocalTime();
    EXPECT_TRUE(DayNumberFromCivil(now.year, now.month, now.day, now.hour, now.minute, now.second));
    EXPECT_GE(now.millisecond, 0);
    EXPECT_LE(now.millisecond, 999);
    EXPECT_GT(NowDayNumber(), 40218.0);
}

}  // namespace
}  // namespace marulo::platform
