// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RecordFacts.h"

#include <cstdio>

#include "archive/RecordName.h"

namespace marulo::report {

std::optional<RecordFacts> FactsFromFileName(std::string_view bareFileName,
                                             std::int64_t traceSeconds,
                                             const archive::RecordItemWords& words) {
    const archive::RecordStamp stamp = archive::ParseRecordStamp(bareFileName);
    const std::optional<double> endDay = platform::DayNumberFromCivil(
        stamp.year, stamp.month, stamp.day, stamp.hour, stamp.minute, stamp.second);
    if (!endDay) {
        return std::nullopt;
    }
    const archive::MotherKeyParts key = archive::SplitMotherKey(archive::MotherKey(bareFileName));
    RecordFacts facts;
    facts.motherName = key.name;
    facts.edcText = key.edcDigits.empty() ? std::string() : archive::EdcDateText(key.edcDigits);
    facts.ageLine = archive::RecordItemTexts(archive::RecordDatesOf(bareFileName), words).ageLine;
    facts.end = stamp;
    facts.end.millisecond = 0;
    facts.seconds = traceSeconds;
    facts.start =
        platform::CivilFromDayNumber(*endDay - static_cast<double>(traceSeconds) / 86400.0);
    return facts;
}

std::string DateTimeText(const platform::CivilDateTime& time) {
    char text[48];
    std::snprintf(text, sizeof text, "%.4d-%.2d-%.2d %.2d:%.2d:%.2d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

std::string DurationText(std::int64_t seconds) {
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%.2lld:%.2lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string ExportFileName(const RecordFacts& facts, std::string_view extension) {
    std::string name;
    const std::string shown = facts.ageLine.empty() || facts.motherName.empty()
                                  ? facts.motherName + facts.ageLine
                                  : facts.motherName + " " + facts.ageLine;
    for (const char c : shown) {
        const bool refused = static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\' ||
                             c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
                             c == '|';
        name.push_back(refused ? '_' : c);
    }
    char time[48];
    std::snprintf(time, sizeof time, "%.4d-%.2d-%.2d %.2d.%.2d.%.2d", facts.end.year,
                  facts.end.month, facts.end.day, facts.end.hour, facts.end.minute,
                  facts.end.second);
    return (name.empty() ? std::string() : name + " ") + time + "." + std::string(extension);
}

}  // namespace marulo::report
