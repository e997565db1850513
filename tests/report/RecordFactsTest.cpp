// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RecordFacts.h"

#include <gtest/gtest.h>

namespace marulo::report {
namespace {

const archive::RecordItemWords kWords{"wk", "d", "AM", "PM"};

TEST(RecordFactsTest, TheNameHoldsTheEndOfTheRecording) {
    const struct {
        const char* file;
        std::int64_t seconds;
        const char* name;
        const char* edc;
        const char* age;
        const char* start;
        const char* end;
    } cases[] = {
        {"Anna_20100512_20100209153045123.zip", 600, "Anna", "2010-05-12", "26wk 6d",
         "2010-02-09 15:20:45", "2010-02-09 15:30:45"},
        // Started the evening before; the name keeps its "_".
        {"Mary_Ann_20100512_20100210000500000.zip", 900, "Mary_Ann", "2010-05-12", "27wk 0d",
         "2010-02-09 23:50:00", "2010-02-10 00:05:00"},
        // Made after the EDC: no age, as in the record list.
        {"Bo_20100101_20100102080000000.zip", 0, "Bo", "2010-01-01", "", "2010-01-02 08:00:00",
         "2010-01-02 08:00:00"},
        {"Li_x_20100102080000000.zip", 60, "Li", "x--", "", "2010-01-02 07:59:00",
         "2010-01-02 08:00:00"},
    };
    for (const auto& c : cases) {
        const auto facts = FactsFromFileName(c.file, c.seconds, kWords);
        ASSERT_TRUE(facts.has_value()) << c.file;
        EXPECT_EQ(facts->motherName, c.name) << c.file;
        EXPECT_EQ(facts->edcText, c.edc) << c.file;
        EXPECT_EQ(facts->ageLine, c.age) << c.file;
        EXPECT_EQ(DateTimeText(facts->start), c.start) << c.file;
        EXPECT_EQ(DateTimeText(facts->end), c.end) << c.file;
        EXPECT_EQ(facts->seconds, c.seconds) << c.file;
    }
}

TEST(RecordFactsTest, NamesWithoutATimeAreNoRecord) {
    for (const char* file : {"old.zip", "Anna_20100512_x.zip",
                             "Anna_20100512_20101332000000000.zip", "Anna_20100512_2010.zip"}) {
        EXPECT_FALSE(FactsFromFileName(file, 10, kWords).has_value()) << file;
    }
}

TEST(RecordFactsTest, ExportNamesAreSafeFileNamesWithTheListsAgeAndTime) {
    RecordFacts facts;
    facts.start = {2010, 2, 9, 6, 55, 0, 0};
    facts.end = {2010, 2, 9, 7, 5, 3, 0};
    const struct {
        const char* name;
        const char* age;
        const char* extension;
        const char* file;
    } cases[] = {
        {"Anna", "22wk 1d", "pdf", "Anna 22wk 1d 2010-02-09 07.05.03.pdf"},
        {"A/B\\C:D*E?F\"G<H>I|J", "", "csv", "A_B_C_D_E_F_G_H_I_J 2010-02-09 07.05.03.csv"},
        {"李娜", "22周 1天", "wav", "李娜 22周 1天 2010-02-09 07.05.03.wav"},
        {"", "", "pdf", "2010-02-09 07.05.03.pdf"},
        {"", "22 Wo. 1 T.", "pdf", "22 Wo. 1 T. 2010-02-09 07.05.03.pdf"},
        {"tab\there", "", "pdf", "tab_here 2010-02-09 07.05.03.pdf"},
    };
    for (const auto& c : cases) {
        facts.motherName = c.name;
        facts.ageLine = c.age;
        EXPECT_EQ(ExportFileName(facts, c.extension), c.file) << c.name;
    }
    EXPECT_EQ(DurationText(8 * 3600 + 61), "8:01:01");
    EXPECT_EQ(DurationText(59), "0:00:59");
}

}  // namespace
}  // namespace marulo::report
