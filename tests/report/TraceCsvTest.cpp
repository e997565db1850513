// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/TraceCsv.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "report/TraceSummary.h"

namespace marulo::report {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the last line ends in CR LF";
    return lines;
}

TEST(TraceCsvTest, ClockTimes) {
    const struct {
        std::int64_t second;
        const char* text;
    } cases[] = {{0, "00:00:00"},     {59, "00:00:59"},    {3600 + 61, "01:01:01"},
                 {86399, "23:59:59"}, {86400, "00:00:00"}, {86400 * 3 + 7, "00:00:07"},
                 {-1, "23:59:59"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ClockText(c.second), c.text) << c.second;
    }
}

TEST(TraceCsvTest, OneRowPerSecondOfTheTrace) {
    // Across midnight, with every kind of second without a rate; checks for the first seconds,
    // five confirmed in a row among them, so they count.
    const std::vector<std::int32_t> trace = {140, 0, 50, 240, 49, 241, -7, 161, 150, 151};
    using ratecheck::Quality;
    const std::vector<ratecheck::SecondCheck> checks = {
        {Quality::Good, 141},   {Quality::None, std::nullopt}, {Quality::Half, 150},
        {Quality::Good, 140},   {Quality::Good, 140},          {Quality::Good, 141},
        {Quality::Unsure, 142}, {Quality::Good, 142},          {Quality::Maternal, 75}};
    const std::int64_t start = 23 * 3600 + 59 * 60 + 55;
    std::ostringstream out;
    WriteTraceCsv(out, trace, start, checks);
    EXPECT_EQ(Lines(out.str()), (std::vector<std::string>{
                                    "second,time,bpm,quality,checked,status,counted",
                                    "0,23:59:55,140,good,141,uncertain,",
                                    "1,23:59:56,,none,,none,",
                                    "2,23:59:57,50,half,150,half,",
                                    "3,23:59:58,240,good,140,confirmed,140",
                                    "4,23:59:59,,good,140,confirmed,140",
                                    "5,00:00:00,,good,141,confirmed,141",
                                    "6,00:00:01,,unsure,142,uncertain,142",
                                    "7,00:00:02,161,good,142,confirmed,142",
                                    "8,00:00:03,150,maternal,75,maternal,",
                                    "9,00:00:04,151,,,none,",
                                }));

    // Without checks the trace stands alone.
    std::ostringstream alone;
    WriteTraceCsv(alone, trace, start);
    EXPECT_EQ(Lines(alone.str())[4], "3,23:59:58,240,,,,");
}

TEST(TraceCsvTest, LongTraceIsWrittenWhole) {
    // More rows than one output block holds.
    std::vector<std::int32_t> trace(30000);
    for (std::size_t i = 0; i < trace.size(); ++i) {
        trace[i] = static_cast<std::int32_t>(60 + i % 150);
    }
    std::ostringstream out;
    WriteTraceCsv(out, trace, 0);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), trace.size() + 1);
    EXPECT_EQ(lines.back(), "29999,08:19:59," + std::to_string(trace.back()) + ",,,,");
}

TEST(TraceCsvTest, EmptyTraceIsTheHeaderAlone) {
    std::ostringstream out;
    WriteTraceCsv(out, {}, 0);
    EXPECT_EQ(out.str(), "second,time,bpm,quality,checked,status,counted\r\n");
}

TEST(TraceCsvTest, DateMarksAndNoteAtTheEndOfEachRow) {
    // Across midnight into a new month and year; the note with a comma, quotes and a line break.
    const std::vector<std::int32_t> trace = {140, 141, 142, 143};
    const std::vector<std::uint32_t> marks = {1, 3, 9};
    const std::int64_t start = 23 * 3600 + 59 * 60 + 58;
    struct Case {
        const char* what;
        CsvAdditions additions;
        std::vector<std::string> rows;
    } const cases[] = {
        {"all",
         {platform::CivilDateTime{2010, 12, 31}, marks, "kicks, then \"hiccups\"\r\nat night"},
         {"0,23:59:58,140,,,,,2010-12-31,,\"kicks, then \"\"hiccups\"\"  at night\"",
          "1,23:59:59,141,,,,,2010-12-31,1,", "2,00:00:00,142,,,,,2011-01-01,,",
          "3,00:00:01,143,,,,,2011-01-01,1,"}},
        {"no date, no note",
         {std::nullopt, marks, ""},
         {"0,23:59:58,140,,,,,,,", "1,23:59:59,141,,,,,,1,", "2,00:00:00,142,,,,,,,",
          "3,00:00:01,143,,,,,,1,"}},
        {"leap day, an early year",
         {platform::CivilDateTime{912, 2, 28}, {}, ""},
         {"0,23:59:58,140,,,,,0912-02-28,,", "1,23:59:59,141,,,,,0912-02-28,,",
          "2,00:00:00,142,,,,,0912-02-29,,", "3,00:00:01,143,,,,,0912-02-29,,"}},
        {"the last valid day",
         {platform::CivilDateTime{9999, 12, 31}, {}, ""},
         {"0,23:59:58,140,,,,,9999-12-31,,", "1,23:59:59,141,,,,,9999-12-31,,",
          "2,00:00:00,142,,,,,,,", "3,00:00:01,143,,,,,,,"}},
    };
    for (const Case& c : cases) {
        std::ostringstream out;
        WriteTraceCsv(out, trace, start, {}, c.additions);
        EXPECT_TRUE(out.str().starts_with(
            "second,time,bpm,quality,checked,status,counted,date,moved,note\r\n"));
        const std::vector<std::string> lines = Lines(out.str());
        ASSERT_EQ(lines.size(), 5U) << c.what;
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()), c.rows) << c.what;
    }
}

}  // namespace
}  // namespace marulo::report
