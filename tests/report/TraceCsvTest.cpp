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
    // Across midnight, with every kind of second without a rate; checks for the first seconds.
    const std::vector<std::int32_t> trace = {140, 0, 50, 240, 49, 241, -7, 161};
    using ratecheck::Quality;
    const std::vector<ratecheck::SecondCheck> checks = {
        {Quality::Good, 141}, {Quality::None, std::nullopt}, {Quality::Maternal, 150}};
    const std::int64_t start = 23 * 3600 + 59 * 60 + 57;
    std::ostringstream out;
    WriteTraceCsv(out, trace, start, checks);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), trace.size() + 1);
    EXPECT_EQ(lines[0], "second,time,bpm,quality,checked");
    const std::string checked[] = {",good,141", ",none,", ",maternal,150"};
    for (std::size_t second = 0; second < trace.size(); ++second) {
        const std::string rate = IsRate(trace[second]) ? std::to_string(trace[second]) : "";
        EXPECT_EQ(lines[second + 1], std::to_string(second) + "," +
                                         ClockText(start + static_cast<std::int64_t>(second)) +
                                         "," + rate + (second < 3 ? checked[second] : ",,"));
    }
    EXPECT_EQ(lines[4], "3,00:00:00,240,,");
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
    EXPECT_EQ(lines.back(), "29999,08:19:59," + std::to_string(trace.back()) + ",,");
}

TEST(TraceCsvTest, EmptyTraceIsTheHeaderAlone) {
    std::ostringstream out;
    WriteTraceCsv(out, {}, 0);
    EXPECT_EQ(out.str(), "second,time,bpm,quality,checked\r\n");
}

}  // namespace
}  // namespace marulo::report
