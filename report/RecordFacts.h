// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive/RecordItemTexts.h"
#include "platform/DayNumbers.h"

namespace marulo::report {

// What a record's file name says about it, with the start and end of the recording.
struct RecordFacts {
    std::string motherName;
    std::string edcText;  // "yyyy-mm-dd" as the mother list gives it back
    std::string ageLine;  // as the record list shows it; empty when there is none
    platform::CivilDateTime start;
    platform::CivilDateTime end;  // when the record was stored: the time in its name
    std::int64_t seconds = 0;
};

// Facts for a bare record file name and a trace of the given length (the name holds the time
// the record was stored, at its end). Nothing when the name holds no valid time.
std::optional<RecordFacts> FactsFromFileName(std::string_view bareFileName,
                                             std::int64_t traceSeconds,
                                             const archive::RecordItemWords& words);

// "yyyy-mm-dd hh:mm:ss".
std::string DateTimeText(const platform::CivilDateTime& time);

// "h:mm:ss" for a length of time.
std::string DurationText(std::int64_t seconds);

// A file name for an export: the mother's name (characters no file system takes become "_"),
// the age line, then the time the record list shows (its storing), then the extension, as
// "Anna 26wk 5d 2010-02-09 15.30.45.pdf".
std::string ExportFileName(const RecordFacts& facts, std::string_view extension);

}  // namespace marulo::report
