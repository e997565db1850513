// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>

#include "ratecheck/RateCheck.h"

namespace marulo::report {

// "hh:mm:ss" on the 24-hour clock for a second of the day; whole days wrap around.
std::string ClockText(std::int64_t secondOfDay);

// The trace as CSV: the header "second,time,bpm,quality,checked,status,counted", then one row a
// second with the seconds from the start, the clock time, the rate (empty for a second without
// one), from the check of that second its quality word and checked rate (each empty where the
// second has no check or no checked rate), and what the report makes of it: the one status it
// is counted under and the rate it enters the figures with (both empty without checks; the rate
// empty where none counts). Lines end in CR LF; no field ever holds a comma, quote or line
// break, so none is quoted.
void WriteTraceCsv(std::ostream& out, std::span<const std::int32_t> trace,
                   std::int64_t startSecondOfDay,
                   std::span<const ratecheck::SecondCheck> checks = {});

}  // namespace marulo::report
