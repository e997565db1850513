// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "platform/DayNumbers.h"
#include "ratecheck/RateCheck.h"

namespace marulo::report {

// "hh:mm:ss" on the 24-hour clock for a second of the day; whole days wrap around.
std::string ClockText(std::int64_t secondOfDay);

// What a record adds to its trace's rows beyond the rates and checks.
struct CsvAdditions {
    // The record's start date; the date column stays empty without it.
    std::optional<platform::CivilDateTime> startDate;
    // Seconds from the start at which the baby was felt to move, ascending.
    std::span<const std::uint32_t> marks;
    // The parent's note on the record.
    std::string_view note;
};

// The trace as CSV: the header "second,time,bpm,quality,checked,status,counted", then one row a
// second with the seconds from the start, the clock time, the rate (empty for a
// second without one), from the check of that second its quality word and checked rate (each
// empty where the second has no check or no checked rate), what the report makes of it: the one
// status it is counted under and the rate it enters the figures with (both empty without
// checks; the rate empty where none counts). With additions the columns "date,moved,note" follow:
// the calendar date "yyyy-mm-dd" of that second, "1" where a movement was marked, and in the
// first row only the note. Lines end in CR LF; the note is the one field quoted (quotes doubled,
// line breaks made spaces), so every row stays one line a spreadsheet reads as one record.
void WriteTraceCsv(std::ostream& out, std::span<const std::int32_t> trace,
                   std::int64_t startSecondOfDay,
                   std::span<const ratecheck::SecondCheck> checks = {},
                   const std::optional<CsvAdditions>& additions = std::nullopt);

}  // namespace marulo::report
