// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DayNumbers.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace marulo::platform {

namespace {

using std::chrono::sys_days;

constexpr int SecondsPerDay = 86400;
constexpr sys_days DayZero = std::chrono::year{1899} / std::chrono::December / 30;
constexpr sys_days FirstValidDay = std::chrono::year{FirstValidYear} / std::chrono::January / 1;
constexpr sys_days LastValidDay = std::chrono::year{LastValidYear} / std::chrono::December / 31;

constexpr long long DayIndex(sys_days date) {
    return (date - DayZero).count();
}

}  // namespace

std::optional<double> DayNumberFromCivil(int year, int month, int day, int hour, int minute,
                                         int second) {
    if (year < FirstValidYear || year > LastValidYear || month < 1 || month > 12 || day < 1 ||
        day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month{static_cast<unsigned>(month)},
                                           std::chrono::day{static_cast<unsigned>(day)}};
    if (!date.ok()) {
        return std::nullopt;
    }
    const auto whole = static_cast<double>(DayIndex(sys_days{date}));
    const double time = (hour * 3600 + minute * 60 + second) / static_cast<double>(SecondsPerDay);
    return whole < 0 ? whole - time : whole + time;
}

CivilDateTime CivilFromDayNumber(double dayNumber) {
    constexpr long long firstDay = DayIndex(FirstValidDay);
    constexpr long long lastDay = DayIndex(LastValidDay);
    if (std::isnan(dayNumber)) {
        dayNumber = 0;
    }
    dayNumber = std::clamp(dayNumber, static_cast<double>(firstDay),
                           static_cast<double>(lastDay) + 1.0 - 1.0 / SecondsPerDay);

    const double whole = std::trunc(dayNumber);
    auto dayIndex = static_cast<long long>(whole);
    auto seconds = std::llround(std::fabs(dayNumber - whole) * SecondsPerDay);
    if (seconds >= SecondsPerDay) {
        seconds -= SecondsPerDay;
        ++dayIndex;
    }
    if (dayIndex > lastDay) {
        dayIndex = lastDay;
        seconds = SecondsPerDay - 1;
    }

    const std::chrono::year_month_day date{DayZero + std::chrono::days{dayIndex}};
    CivilDateTime civil;
    civil.year = static_cast<int>(date.year());
    civil.month = static_cast<int>(static_cast<unsigned>(date.month()));
    civil.day = static_cast<int>(static_cast<unsigned>(date.day()));
    civil.hour = static_cast<int>(seconds / 3600);
    civil.minute = static_cast<int>(seconds / 60 % 60);
    civil.second = static_cast<int>(seconds % 60);
    return civil;
}

LocalTime NowLocalTime() {
    return LocalTimeAt(std::chrono::system_clock::now());
}

LocalTime LocalTimeAt(std::chrono::system_clock::time_point now) {
    const std::time_t wholeSeconds =
        std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(now));
    std::tm local{};
    localtime_r(&wholeSeconds, &local);

    LocalTime time;
    time.year = local.tm_year + 1900;
    time.month = local.tm_mon + 1;
    time.day = local.tm_mday;
    time.hour = local.tm_hour;
    time.minute = local.tm_min;
    time.second = std::min(local.tm_sec, 59);  // a leap second reads as the one before
    time.millisecond = static_cast<int>(
        std::chrono::floor<std::chrono::milliseconds>(now).time_since_epoch().count() % 1000);
    return time;
}

double NowDayNumber() {
    const LocalTime now = NowLocalTime();
    return DayNumberFromCivil(now.year, now.month, now.day, now.hour, now.minute, now.second)
        .value_or(0.0);
}

}  // namespace marulo::platform
