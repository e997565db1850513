// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace marulo::controls {

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

// The two lines a record list item shows for a bare record file name.
RecordItemLines RecordItemTexts(std::string_view bareFileName, const RecordItemWords& words);

}  // namespace marulo::controls
