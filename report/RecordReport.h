// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/RecordEvents.h"
#include "archive/RecordItemTexts.h"
#include "ratecheck/RateCheck.h"
#include "report/RecordFacts.h"

namespace marulo::report {

// A stored record as its reports need it: the facts of its file name, its trace, and the
// parent's "baby moved" marks and note (empty when it has none or they are damaged, which
// eventsProblem says; the record's reports are made all the same).
struct RecordReport {
    RecordFacts facts;
    std::vector<std::int32_t> trace;
    std::filesystem::path archive;
    archive::RecordEvents events;
    archive::EventsProblem eventsProblem = archive::EventsProblem::None;
};

// Reads the record straight from its archive (never through the working files). Nothing, and
// one line saying why, when it is not a readable record or its file name holds no time.
std::optional<RecordReport> ReadRecordReport(const std::filesystem::path& archive,
                                             const archive::RecordItemWords& words,
                                             std::string& error);

// The check of the record's audio against its trace, read straight from the archive; nothing
// when the audio cannot be checked or a raised stop flag ended it. It reads all the audio, so it
// is asked for only when needed; progress runs from 0 to 1 meanwhile.
std::optional<std::vector<ratecheck::SecondCheck>> CheckRecordAudio(
    const RecordReport& record, const std::atomic<bool>* stop = nullptr,
    const std::function<void(double)>& progress = {});

// Writes the trace and its checks (CheckRecordAudio's, or nothing) as CSV, whole or not at all,
// with the date, mark and note columns.
bool WriteCsvReport(const RecordReport& record, const std::filesystem::path& target,
                    const std::optional<std::vector<ratecheck::SecondCheck>>& checks,
                    std::string& error);

}  // namespace marulo::report
