// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "ratecheck/RateCheck.h"

namespace marulo::acquisition {

// The rate check of a recording's audio against the trace that was shown while it was
// recorded: one check a second for as many seconds as both cover. The WAV is read once in small
// pieces and turned into the capture format first. Nothing, and why, when it cannot be read or
// when it is more than two seconds shorter than the trace (a cut or damaged record, whose trace
// is then better shown unchecked than mostly unconfirmed). A raised stop flag ends it early with
// nothing. Progress, when given, runs from 0 to 1 with the seconds checked.
std::optional<std::vector<ratecheck::SecondCheck>> CheckRecordedAudio(
    const std::filesystem::path& wavFile, std::span<const std::int32_t> trace, std::string& error,
    const std::atomic<bool>* stop = nullptr, const std::function<void(double)>& progress = {});

// The same for the Data.wav item of a record archive, read straight from the ZIP.
std::optional<std::vector<ratecheck::SecondCheck>> CheckArchivedAudio(
    const std::filesystem::path& archive, std::span<const std::int32_t> trace, std::string& error,
    const std::atomic<bool>* stop = nullptr, const std::function<void(double)>& progress = {});

}  // namespace marulo::acquisition
