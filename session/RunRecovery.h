// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "session/RecordStore.h"

namespace marulo::session {

// The mother and time a run started with; its record is named from these.
struct RunProfile {
    std::string name;
    std::string edcText;
    std::chrono::system_clock::time_point start;

    bool operator==(const RunProfile&) const = default;
};

// Written at once to the disk; false when the file cannot be written.
bool WriteRunMarker(const std::filesystem::path& file, const RunProfile& profile);
// Nothing when the file is missing or is not a marker.
std::optional<RunProfile> ReadRunMarker(const std::filesystem::path& file);

enum class RecoveryResult {
    NothingLeft,  // no interrupted run
    Discarded,    // it held less than one block of audio
    Stored        // its record (or the kept-aside files) are in the outcome
};

struct RecoveryOutcome {
    RecoveryResult result = RecoveryResult::NothingLeft;
    StoreOutcome store;
};

// Stores the run that the marker and working files in the work folder were left by: the WAV
// header is brought up to the audio the file holds, the files are packed and stored as at the
// run's end, named from the marker's name and EDC and the time of the last audio written (the
// start plus the audio's length). Working files without a marker belong to a review and stay.
RecoveryOutcome RecoverInterruptedRun(const std::filesystem::path& workFolder);

// Removes what work killed half-way leaves in the work folder and nothing else: a record's
// audio or trace unpacked in part (".part"), the archive library's temporary file of a packing
// ("Data.zip.XXXXXX"), a record copied in part into the record folder, and a review's trace
// without its audio when no run marker claims it. Called at start, before any work begins.
void RemoveLeftoversOfKilledWork(const std::filesystem::path& workFolder);

// Stores the runs kept aside in the work folder with their marker ("Data-unsaved-<stamp>" .wav
// and .hr, or .zip, with .run) under their record names, named as an interrupted run is, and
// gives the records stored. A run that still cannot be packed or stored stays as it is.
std::vector<std::filesystem::path> StoreKeptAsideRuns(const std::filesystem::path& workFolder);

}  // namespace marulo::session
