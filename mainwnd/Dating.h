// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace marulo::mainwnd {

// A pregnancy lasts this many days up to the EDC.
inline constexpr int TermDays = 280;

struct GestationalAge {
    int week = 0;
    int day = 0;
};

// Age on the day of `today` (a day number) for an EDC text read as "%d-%d-%d"; the time of day
// never counts. Negative when the EDC lies more than 280 days ahead. Nothing when the text is
// not a valid date.
std::optional<GestationalAge> AgeFromEdc(std::string_view edcText, double today);

// The EDC as "yyyy-mm-dd" for an age given as the texts of the week and day buttons, counted
// from `today` (a day number); empty when either text is empty or the date would lie outside
// the valid years.
std::string EdcFromAge(std::string_view weekText, std::string_view dayText, double today);

std::string FormatEdc(int year, int month, int day);

struct WeekRange {
    int low = 0;
    int high = 0;
};

// A week sub-menu's label, "low ~ high".
std::string WeekRangeLabel(WeekRange range);

// The oldest age a due date may give today: two weeks past it, 42 weeks 0 days.
inline constexpr int MaxAgeDays = TermDays + 14;

// The one span a due date must lie in, whether picked from the calendar, derived from the week
// and day menus or typed: from 280 days ahead (0 weeks 0 days) to two weeks past it (an overdue
// mother).
enum class EdcSpanCheck {
    Accepted,
    TooFarAhead,  // more than 280 days ahead
    TooLongPast,  // more than two weeks past
};

// Whether a due date giving this age today stands.
EdcSpanCheck CheckEdcSpan(GestationalAge age);

// The same for a due date's text; nothing when it is not a "yyyy-mm-dd" date.
std::optional<EdcSpanCheck> CheckEdcSpanText(std::string_view edcText, double today);

// The message key that tells why a due date was refused; empty for an accepted one.
std::string_view EdcRefusalKey(EdcSpanCheck check);

// The message key for a typed due date that is not a date.
inline constexpr std::string_view EdcUnreadableKey = "AlertEDCUnreadable";

// The weeks of the week menu's sub-menus within the span: 0 ~ 9 to 40 ~ 42.
std::array<WeekRange, 5> SpanWeekRanges();

// The days the day menu offers with this week chosen: 0 to 6, and only 0 in the last week.
int DaysOffered(int week);

}  // namespace marulo::mainwnd
