// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordItemTexts.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "archive/RecordName.h"
#include "platform/DayNumbers.h"

namespace marulo::archive {

namespace {

// The standard count, as the panel's: a record made on its EDC is 40 weeks 0 days along.
constexpr long long DaysAlongOnEdc = 280;

std::string AgeLine(const RecordDates& dates, const RecordItemWords& words) {
    const std::optional<RecordAge> age = RecordAgeOf(dates);
    if (!age) {
        return {};
    }
    return std::to_string(age->weeks) + words.weekTitle + ' ' + std::to_string(age->days) +
           words.dayTitle;
}

}  // namespace

std::optional<RecordAge> RecordAgeOf(const RecordDates& dates) {
    if (!dates.stored || !dates.edc) {
        return std::nullopt;
    }
    const std::optional<double> edcDay =
        platform::DayNumberFromCivil(dates.edc->year, dates.edc->month, dates.edc->day);
    const std::optional<double> recordDay =
        platform::DayNumberFromCivil(dates.stored->year, dates.stored->month, dates.stored->day);
    if (!edcDay || !recordDay) {
        return std::nullopt;
    }
    const auto diff = static_cast<long long>(std::trunc(*edcDay)) -
                      static_cast<long long>(std::trunc(*recordDay));
    if (diff < 0) {
        return std::nullopt;
    }
    const long long along = DaysAlongOnEdc - diff;
    return RecordAge{along / 7, along % 7};
}

RecordItemLines RecordItemTexts(const RecordDates& dates, const RecordItemWords& words) {
    // A name without a real storing time shows neither line rather than an impossible one.
    const std::optional<platform::CivilDateTime>& stamp = dates.stored;
    if (!stamp) {
        return {};
    }
    const int clockHour = stamp->hour <= 12 ? stamp->hour : stamp->hour - 12;
    const std::string& half = stamp->hour < 12 ? words.am : words.pm;

    char clock[64];
    std::snprintf(clock, sizeof clock, " %d:%.2d:%.2d", clockHour, stamp->minute, stamp->second);
    return {AgeLine(dates, words), half + clock};
}

RecordDates RecordDatesOf(std::string_view bareFileName) {
    return {RealRecordStamp(bareFileName), RecordEdcDate(bareFileName)};
}

RecordIdentity ReadRecordIdentity(std::string_view bareFileName) {
    return {std::string(bareFileName), RecordDatesOf(bareFileName)};
}

}  // namespace marulo::archive
