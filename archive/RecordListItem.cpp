// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordListItem.h"

#include <cstdio>

namespace marulo::archive {

std::optional<platform::CivilDateTime> RecordStart(const RecordDates& dates, std::int64_t seconds) {
    if (!dates.stored) {
        return std::nullopt;
    }
    const platform::CivilDateTime& end = *dates.stored;
    const std::optional<double> endDay = platform::DayNumberFromCivil(
        end.year, end.month, end.day, end.hour, end.minute, end.second);
    if (!endDay) {
        return std::nullopt;
    }
    // As the report counts it, so the list and the report name the same start.
    platform::CivilDateTime start =
        platform::CivilFromDayNumber(*endDay - static_cast<double>(seconds) / 86400.0);
    start.millisecond = 0;
    return start;
}

std::string ShortDuration(std::int64_t seconds) {
    seconds = seconds < 0 ? 0 : seconds;
    char text[48];
    if (seconds < 3600) {
        std::snprintf(text, sizeof text, "%lld:%.2lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(
            text, sizeof text, "%lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
            static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    }
    return text;
}

std::optional<int> ConfirmedPercent(const RecordSummary& summary) {
    if (summary.check != SoundCheck::Checked) {
        return std::nullopt;
    }
    if (summary.confirmedSeconds <= 0 || summary.seconds <= 0) {
        return 0;
    }
    if (summary.confirmedSeconds >= summary.seconds) {
        return 100;
    }
    const auto percent = static_cast<int>(summary.confirmedSeconds * 100 / summary.seconds);
    return percent < 1 ? 1 : percent;
}

bool NoHeartbeatHeard(const RecordSummary& summary) {
    switch (summary.check) {
        case SoundCheck::Pending:
            return false;
        case SoundCheck::Checked:
            return summary.confirmedSeconds <= 0;
        case SoundCheck::Unavailable:
            return !summary.anyRate;
    }
    return false;
}

}  // namespace marulo::archive
