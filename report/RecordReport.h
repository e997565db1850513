// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "controls/RecordItemTexts.h"
#include "ratecheck/RateCheck.h"
#include "report/RecordFacts.h"

namespace marulo::report {

// A stored record as its reports need it: the facts of its file name, its trace and the check
// of its audio against the trace (nothing when the audio cannot be read).
struct RecordReport {
    RecordFacts facts;
    std::vector<std::int32_t> trace;
    std::optional<std::vector<ratecheck::SecondCheck>> checks;
};

// Reads the record straight from its archive (never through the working files). Nothing, and
// one line saying why, when it is not a readable record or its file name holds no time.
std::optional<RecordReport> ReadRecordReport(const std::filesystem::path& archive,
                                             const controls::RecordItemWords& words,
                                             std::string& error);

// Writes the trace and its checks as CSV, whole or not at all.
bool WriteCsvReport(const RecordReport& record, const std::filesystem::path& target,
                    std::string& error);

}  // namespace marulo::report
