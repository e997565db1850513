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

}  // namespace

std::string ClockText(std::int64_t secondOfDay) {
    std::string text;
    AppendClock(text, secondOfDay);
    return text;
}

void WriteTraceCsv(std::ostream& out, std::span<const std::int32_t> trace,
                   std::int64_t startSecondOfDay, std::span<const ratecheck::SecondCheck> checks) {
    // Rows go out in blocks, so an eight-hour trace is a few dozen writes.
    constexpr std::size_t kBlockBytes = std::size_t{64} * 1024;
    const CheckedTrace counted = CheckTrace(checks.empty() ? 0 : trace.size(), checks);
    std::string block = "second,time,bpm,quality,checked,status,counted\r\n";
    block.reserve(kBlockBytes + 64);
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
        block.append("\r\n");
        if (block.size() >= kBlockBytes) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

}  // namespace marulo::report
