// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/DayNumbers.h"

namespace marulo::archive {

// The words of the active language that the record list's lines use.
struct RecordItemWords {
    std::string weekTitle;
    std::string dayTitle;
    std::string am;
    std::string pm;
};

struct RecordItemLines {
    std::string ageLine;   // gestational age on the recording day; empty when there is none
    std::string timeLine;  // time of day of the recording, on the 12-hour clock
};

// What a record's file name says of its dates, read by whoever knows the record names' rules.
struct RecordDates {
    std::optional<platform::CivilDateTime> stored;  // a real storing time, or none
    std::optional<platform::CivilDateTime> edc;     // the mother's real EDC, or none
};

// One stored record as the record list holds it, read from its file name once when the list is
// filled; showing, exporting and painting the record all take it from here.
struct RecordIdentity {
    std::string fileName;  // the bare file name's bytes, which need not be UTF-8
    RecordDates dates;
};

struct RecordAge {
    long long weeks = 0;
    long long days = 0;
};

// The gestational age on the recording day by the standard count (the EDC is 40 weeks 0 days);
// none without a real storing time and EDC, or for a record made after its EDC.
std::optional<RecordAge> RecordAgeOf(const RecordDates& dates);

// The dates a record list item shows, read from a bare record file name by the record names'
// rules.
RecordDates RecordDatesOf(std::string_view bareFileName);

// A record as the record list holds it, read from its bare file name.
RecordIdentity ReadRecordIdentity(std::string_view bareFileName);

// The two lines a record list item shows for a record's dates.
RecordItemLines RecordItemTexts(const RecordDates& dates, const RecordItemWords& words);

}  // namespace marulo::archive
