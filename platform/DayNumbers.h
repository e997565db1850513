// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>

namespace marulo::platform {

// A calendar date and time of day, as read from the local clock or from a day number.
struct CivilDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// The local wall-clock time, year to millisecond.
using LocalTime = CivilDateTime;

// Day numbers count days since 30 December 1899 (day 0); the time of day is the fraction.
// Before that day the whole part is the negative day and the time still counts as a positive
// fraction away from zero: -1.25 is 29 December 1899 at 06:00. So truncating toward zero
// always gives the day and drops the time of day. Valid years are 100 to 9999.
inline constexpr int FirstValidYear = 100;
inline constexpr int LastValidYear = 9999;

// Nothing when the fields do not form a valid date and time of day in the valid years.
std::optional<double> DayNumberFromCivil(int year, int month, int day, int hour = 0, int minute = 0,
                                         int second = 0);

// Rounded to the nearest second (millisecond 0). A value outside the valid years is clamped to
// their first or last day; a value that is not a number counts as day 0.
CivilDateTime CivilFromDayNumber(double dayNumber);

// The local date and time as a day number, to the second.
double NowDayNumber();

LocalTime NowLocalTime();

// The local wall-clock time of an instant, year to millisecond.
LocalTime LocalTimeAt(std::chrono::system_clock::time_point instant);

}  // namespace marulo::platform
