// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/RecordItemTexts.h"
#include "ratecheck/RateCheck.h"
#include "report/RecordFacts.h"

namespace marulo::report {

// A stored record as its reports need it: the facts of its file name and its trace.
struct RecordReport {
    RecordFacts facts;
    std::vector<std::int32_t> trace;
    std::filesystem::path archive;
};

// Reads the record straight from its archive (never through the working files). Nothing, and
// one line saying why, when it is not a readable record or its file name holds no time.
std::optional<RecordReport> ReadRecordReport(const std::filesystem::path& archive,
                                             const archive::RecordItemWords& words,
                                             std::string& error);

// The check of the record's audio against its trace, read straight from the archive; nothing
// when the audio cannot be checked. It reads all the audio, so it is asked for only when needed.
std::optional<std::vector<ratecheck::SecondCheck>> CheckRecordAudio(const RecordReport& record);

// Writes the trace and its checks as CSV, whole or not at all.
bool WriteCsvReport(const RecordReport& record, const std::filesystem::path& target,
                    std::string& error);

}  // namespace marulo::report
