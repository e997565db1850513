// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "ratecheck/RateCheck.h"
#include "report/CheckedTrace.h"

namespace marulo::review {

// What the check of a record's audio found, second by second over its whole trace.
struct RecordCheck {
    report::CheckedTrace checked;
    // The seconds the audio covers; nothing after them was checked.
    std::size_t checkedSeconds = 0;
    // The audio ends more than the allowed moment before the trace does.
    bool audioShort = false;
    // The check's own findings a second, as the reports list them.
    std::vector<ratecheck::SecondCheck> checks;
};

// The whole seconds of a WAV file's samples; nothing when it cannot be read.
std::optional<std::size_t> WavSeconds(const std::filesystem::path& audio);

// Checks the audio against the trace. Audio shorter than its trace is checked as far as it
// goes. Nothing when the audio cannot be read at all or a raised stop flag ended it. Progress
// runs from 0 to 1 as the audio is read.
std::optional<RecordCheck> CheckRecord(const std::filesystem::path& audio,
                                       std::span<const std::int32_t> trace,
                                       const std::atomic<bool>* stop = nullptr,
                                       const std::function<void(double)>& progress = {});

// The checks a report of the record lists: a report checks only audio that reaches the end of
// its trace, so a check of a short recording's first part gives it none.
std::optional<std::vector<ratecheck::SecondCheck>> ReportChecks(
    const std::optional<RecordCheck>& check);

}  // namespace marulo::review
