// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordItemTexts.h"

#include <gtest/gtest.h>

#include "archive/RecordName.h"

namespace marulo::archive {
namespace {

const RecordItemWords Words{"W", "D", "Am", "Pm"};

// The lines of a record file name, its dates read by the record names' rules.
RecordItemLines TextsOf(std::string_view file, const RecordItemWords& words) {
    return RecordItemTexts({RealRecordStamp(file), RecordEdcDate(file)}, words);
}

TEST(RecordItemTextsTest, AgeLineIsTheStandardCountWithTheEdcAt40Weeks) {
    struct Case {
        const char* file;
        const char* ageLine;
    } const cases[] = {
        {"Anna_20100512_20100502090000000.zip", "38W 4D"},   // 10 days before
        {"Anna_20100512_20100512000000000.zip", "40W 0D"},   // on the EDC
        {"Anna_20100512_20100512235959999.zip", "40W 0D"},   // time of day does not count
        {"Anna_20100512_20100513000000000.zip", ""},         // a day after
        {"Anna_20100512_20090726120000000.zip", "-1W -3D"},  // 290 days before
        {"Anna_20100105_20091226080000000.zip", "38W 4D"},   // across a year end
        {"Mary_Ann_20100512_20100502090000000.zip", "38W 4D"},
        {"20100512_20100502090000000.zip", "38W 4D"},  // a key without "_" is the EDC itself
        {"Anna_20100230_20100202090000000.zip", ""},   // EDC not a calendar date
        {"Anna_20100512_x.zip", ""},                   // stamp not a date
        {"20100502090000000.zip", ""},                 // no "_": no EDC
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextsOf(c.file, Words).ageLine, c.ageLine) << c.file;
    }
}

TEST(RecordItemTextsTest, TimeLineUsesTheTwelveHourClock) {
    struct Case {
        const char* file;
        const char* timeLine;
    } const cases[] = {
        {"Anna_20100512_20100209000509000.zip", "Am 0:05:09"},
        {"Anna_20100512_20100209115959000.zip", "Am 11:59:59"},
        {"Anna_20100512_20100209123000000.zip", "Pm 12:30:00"},
        {"Anna_20100512_20100209130000000.zip", "Pm 1:00:00"},
        {"Anna_20100512_20100209230102000.zip", "Pm 11:01:02"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextsOf(c.file, Words).timeLine, c.timeLine) << c.file;
    }
}

// Names put in the folder by hand list without lines rather than with an impossible time or age.
TEST(RecordItemTextsTest, NameWithoutARealStampOrEdcShowsNoImpossibleLine) {
    struct Case {
        const char* file;
        const char* ageLine;
        const char* timeLine;
    } const cases[] = {
        {"Anna_20100512_x.zip", "", ""},
        {"Anna_20100512_20100209520800000.zip", "", ""},  // hour 52
        {"Anna_20100512_20100209126000000.zip", "", ""},  // minute 60
        {"Anna_20100512_20101309120000000.zip", "", ""},  // month 13
        {"Anna_20100512_20100230120000000.zip", "", ""},  // 30 February
        {"Anna_20100512_2010020912.zip", "", ""},         // too short
        {"Anna_20100512_ 2010020912000.zip", "", ""},     // a blank instead of a digit
        {"Anna_20100512_-0100209120000000.zip", "", ""},
        {"Anna_2010-512_20100502090000000.zip", "", "Am 9:00:00"},   // EDC with a dash
        {"Anna_2010 512_20100502090000000.zip", "", "Am 9:00:00"},   // EDC with a blank
        {"Anna_201005120_20100502090000000.zip", "", "Am 9:00:00"},  // nine EDC digits
    };
    for (const Case& c : cases) {
        const RecordItemLines lines = TextsOf(c.file, Words);
        EXPECT_EQ(lines.ageLine, c.ageLine) << c.file;
        EXPECT_EQ(lines.timeLine, c.timeLine) << c.file;
    }
}

}  // namespace
}  // namespace marulo::archive
