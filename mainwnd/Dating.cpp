// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/Dating.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/DayNumbers.h"

namespace marulo::mainwnd {

namespace {

constexpr int DaysPerWeek = 7;
constexpr int TermWeeks = TermDays / DaysPerWeek;
constexpr int LastWeekInSpan = MaxAgeDays / DaysPerWeek;

void SkipSpace(std::string_view text, std::size_t& pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) {
        ++pos;
    }
}

bool IsDigitAt(std::string_view text, std::size_t pos) {
    return pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]));
}

// Reads an optionally signed decimal the way scanf's "%d" does; nothing when there are no
// digits or the value does not fit an int.
std::optional<int> ScanInt(std::string_view text, std::size_t& pos) {
    SkipSpace(text, pos);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos++] == '-';
    }
    if (!IsDigitAt(text, pos)) {
        return std::nullopt;
    }
    long long value = 0;
    for (; IsDigitAt(text, pos); ++pos) {
        value = value * 10 + (text[pos] - '0');
        if (value > std::numeric_limits<int>::max() + 1LL) {
            return std::nullopt;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// The leading decimal value the way atoi reads it (0 without digits); nothing when it does not
// fit an int.
std::optional<int> LeadingInt(std::string_view text) {
    std::size_t pos = 0;
    const std::optional<int> value = ScanInt(text, pos);
    if (!value && pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
        return std::nullopt;
    }
    return value.value_or(0);
}

long long WholeDay(double dayNumber) {
    return static_cast<long long>(std::trunc(dayNumber));
}

}  // namespace

std::optional<GestationalAge> AgeFromEdc(std::string_view edcText, double today) {
    std::size_t pos = 0;
    const std::optional<int> year = ScanInt(edcText, pos);
    if (!year || pos >= edcText.size() || edcText[pos++] != '-') {
        return std::nullopt;
    }
    const std::optional<int> month = ScanInt(edcText, pos);
    if (!month || pos >= edcText.size() || edcText[pos++] != '-') {
        return std::nullopt;
    }
    const std::optional<int> day = ScanInt(edcText, pos);
    if (!day) {
        return std::nullopt;
    }
    const std::optional<double> edc = platform::DayNumberFromCivil(*year, *month, *day);
    if (!edc) {
        return std::nullopt;
    }
    const long long days = WholeDay(today) - WholeDay(*edc) + TermDays;
    return GestationalAge{static_cast<int>(days / DaysPerWeek),
                          static_cast<int>(days % DaysPerWeek)};
}

std::string EdcFromAge(std::string_view weekText, std::string_view dayText, double today) {
    if (weekText.empty() || dayText.empty()) {
        return {};
    }
    const std::optional<int> week = LeadingInt(weekText);
    const std::optional<int> day = LeadingInt(dayText);
    if (!week || !day) {
        return {};
    }
    const double edc = today + (static_cast<double>(TermWeeks) - *week) * DaysPerWeek - *day;
    const double first = *platform::DayNumberFromCivil(platform::FirstValidYear, 1, 1);
    const double last = *platform::DayNumberFromCivil(platform::LastValidYear, 12, 31, 23, 59, 59);
    if (!(edc >= first && edc <= last)) {
        return {};
    }
    const platform::CivilDateTime date = platform::CivilFromDayNumber(edc);
    return FormatEdc(date.year, date.month, date.day);
}

std::string FormatEdc(int year, int month, int day) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d", year, month, day);
    return text;
}

std::string WeekRangeLabel(WeekRange range) {
    return std::to_string(range.low) + " ~ " + std::to_string(range.high);
}

EdcSpanCheck CheckEdcSpan(GestationalAge age) {
    const long long days = static_cast<long long>(age.week) * DaysPerWeek + age.day;
    if (age.week < 0 || age.day < 0 || days < 0) {
        return EdcSpanCheck::TooFarAhead;
    }
    if (days > MaxAgeDays) {
        return EdcSpanCheck::TooLongPast;
    }
    return EdcSpanCheck::Accepted;
}

std::optional<EdcSpanCheck> CheckEdcSpanText(std::string_view edcText, double today) {
    const std::optional<GestationalAge> age = AgeFromEdc(edcText, today);
    if (!age) {
        return std::nullopt;
    }
    return CheckEdcSpan(*age);
}

std::string_view EdcRefusalKey(EdcSpanCheck check) {
    switch (check) {
        case EdcSpanCheck::TooFarAhead:
            return "AlertEDCOver";
        case EdcSpanCheck::TooLongPast:
            return "AlertEDCLongPast";
        case EdcSpanCheck::Accepted:
            break;
    }
    return {};
}

std::array<WeekRange, 5> SpanWeekRanges() {
    std::array<WeekRange, 5> ranges;
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        const int low = static_cast<int>(i) * 10;
        ranges[i] = {low, std::min(low + 9, LastWeekInSpan)};
    }
    return ranges;
}

int DaysOffered(int week) {
    return week >= LastWeekInSpan ? 1 : DaysPerWeek;
}

}  // namespace marulo::mainwnd
