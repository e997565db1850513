// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/TraceCsv.h"

#include <charconv>
#include <cstddef>

#include "report/CheckedTrace.h"
#include "report/TraceSummary.h"

namespace marulo::report {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

void AppendTwoDigits(std::string& out, std::int64_t value) {
    out.push_back(static_cast<char>('0' + value / 10));
    out.push_back(static_cast<char>('0' + value % 10));
}

void AppendClock(std::string& out, std::int64_t secondOfDay) {
    std::int64_t second = secondOfDay % kSecondsPerDay;
    if (second < 0) {
        second += kSecondsPerDay;
    }
    AppendTwoDigits(out, second / 3600);
    out.push_back(':');
    AppendTwoDigits(out, second / 60 % 60);
    out.push_back(':');
    AppendTwoDigits(out, second % 60);
}

void AppendNumber(std::string& out, std::int64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

std::int64_t FloorDiv(std::int64_t value, std::int64_t divisor) {
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

// "yyyy-mm-dd" of the day `dayOffset` days after the start date; empty beyond the valid years.
std::string DateText(const platform::CivilDateTime& start, std::int64_t dayOffset) {
    const std::optional<double> first =
        platform::DayNumberFromCivil(start.year, start.month, start.day);
    if (!first) {
        return {};
    }
    const double day = *first + static_cast<double>(dayOffset);
    const platform::CivilDateTime date = platform::CivilFromDayNumber(day);
    if (platform::DayNumberFromCivil(date.year, date.month, date.day) != day) {
        return {};
    }
    std::string text;
    AppendTwoDigits(text, date.year / 100);
    AppendTwoDigits(text, date.year % 100);
    text.push_back('-');
    AppendTwoDigits(text, date.month);
    text.push_back('-');
    AppendTwoDigits(text, date.day);
    return text;
}

std::string QuotedNote(std::string_view note) {
    std::string field = "\"";
    for (const char c : note) {
        if (c == '"') {
            field += "\"\"";
        } else if (c == '\r' || c == '\n') {
            field.push_back(' ');
        } else {
            field.push_back(c);
        }
    }
    field.push_back('"');
    return field;
}

}  // namespace

std::string ClockText(std::int64_t secondOfDay) {
    std::string text;
    AppendClock(text, secondOfDay);
    return text;
}

void WriteTraceCsv(std::ostream& out, std::span<const std::int32_t> trace,
                   std::int64_t startSecondOfDay, std::span<const ratecheck::SecondCheck> checks,
                   const std::optional<CsvAdditions>& additions) {
    // Rows go out in blocks, so an eight-hour trace is a few dozen writes.
    constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;
    const CheckedTrace counted = CheckTrace(checks.empty() ? 0 : trace.size(), checks);
    std::string block = additions
                            ? "second,time,bpm,quality,checked,status,counted,date,moved,note\r\n"
                            : "second,time,bpm,quality,checked,status,counted\r\n";
    block.reserve(kBlockBytes + 64);
    std::optional<std::int64_t> dateDay;
    std::string date;
    std::size_t nextMark = 0;
    for (std::size_t second = 0; second < trace.size(); ++second) {
        AppendNumber(block, static_cast<std::int64_t>(second));
        block.push_back(',');
        AppendClock(block, startSecondOfDay + static_cast<std::int64_t>(second));
        block.push_back(',');
        if (IsRate(trace[second])) {
            AppendNumber(block, trace[second]);
        }
        block.push_back(',');
        if (second < checks.size()) {
            block.append(ratecheck::QualityWord(checks[second].quality));
            block.push_back(',');
            if (checks[second].checkedBpm) {
                AppendNumber(block, *checks[second].checkedBpm);
            }
        } else {
            block.push_back(',');
        }
        block.push_back(',');
        if (second < counted.statuses.size()) {
            block.append(StatusWord(counted.statuses[second]));
            block.push_back(',');
            if (counted.rates[second] > 0) {
                AppendNumber(block, counted.rates[second]);
            }
        } else {
            block.push_back(',');
        }
        if (additions) {
            block.push_back(',');
            if (additions->startDate) {
                const std::int64_t day =
                    FloorDiv(startSecondOfDay + static_cast<std::int64_t>(second), kSecondsPerDay);
                if (day != dateDay) {
                    dateDay = day;
                    date = DateText(*additions->startDate, day);
                }
                block.append(date);
            }
            block.push_back(',');
            while (nextMark < additions->marks.size() && additions->marks[nextMark] < second) {
                ++nextMark;
            }
            if (nextMark < additions->marks.size() && additions->marks[nextMark] == second) {
                block.push_back('1');
            }
            block.push_back(',');
            if (second == 0 && !additions->note.empty()) {
                block.append(QuotedNote(additions->note));
            }
        }
        block.append("\r\n");
        if (block.size() >= kBlockBytes) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

}  // namespace marulo::report
