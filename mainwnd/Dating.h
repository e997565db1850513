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

enum class EdcPickCheck {
    Accepted,
    TooFarAhead,  // more than 280 days ahead: warned with AlertEDCOver
    Passed,       // before today: warned with AlertEDCPass
};

// Whether an EDC picked from the calendar, giving this age today, stands.
EdcPickCheck CheckPickedAge(GestationalAge age);

struct WeekRange {
    int low = 0;
    int high = 0;
};

// The weeks of the five sub-menus of the week menu, 0 ~ 9 to 40 ~ 43.
std::array<WeekRange, 5> WeekMenuRanges();

// A week sub-menu's label, "low ~ high".
std::string WeekRangeLabel(WeekRange range);

}  // namespace marulo::mainwnd
