// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <vector>

namespace marulo::faults {

// Where audio of a run was found in a program folder after a fault.
enum class StoredPlace {
    Record,   // an archive in Data
    Kept,     // a file the program set aside for the user (Data-unsaved-*, Data.zip left behind)
    Working,  // the working Data.wav, which the next run or review overwrites
};

struct StoredAudio {
    StoredPlace place = StoredPlace::Record;
    std::filesystem::path file;              // relative to the program folder
    std::optional<double> seconds;           // nothing when the file cannot be read
    std::optional<std::size_t> traceValues;  // for archives: the values in their Data.hr
};

// Seconds of audio a WAV file holds, counted from the bytes after its data chunk header whatever
// that header claims: a run ended by a kill leaves a header up to a second behind its samples.
std::optional<double> LooseWavSeconds(const std::filesystem::path& wav);

// Every place in the program folder that holds audio of a run, records in name order (which is
// the order they were stored in for one mother).
std::vector<StoredAudio> FindStoredAudio(const std::filesystem::path& programFolder);

}  // namespace marulo::faults
