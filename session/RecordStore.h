// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DayNumbers.h"

namespace marulo::session {

enum class StoreResult {
    Stored,          // moved into the record folder under its record name
    KeptAside,       // the record name could not be used, or packing failed; moved to a free
                     // unsaved name beside the program
    LeftInPlace,     // no move succeeded; the recording is still at its working path
    NothingToStore,  // neither the working archive nor the working audio exists
    Discarded        // it held less than one block of audio, nothing worth a record; removed
};

struct StoreOutcome {
    StoreResult result = StoreResult::NothingToStore;
    std::filesystem::path path;  // where the recording now lies
    // The run's marks could not be written into its archive; the recording is kept without them.
    bool marksLost = false;
};

// The "baby moved" marks of a run: seconds from its start, ascending, and the seconds of trace it
// wrote. A mark in the second that was cut short by the stop counts for the last whole one.
struct RunMarks {
    std::vector<std::uint32_t> seconds;
    std::uint32_t traceSeconds = 0;
};

// Lies beside the working files while a run records them; left behind, it says that they hold an
// interrupted run and how to name its record.
inline constexpr const char* kRunMarkerFile = "Data.run";

// The beginning of the names under which recordings are kept aside beside the program.
inline constexpr const char* kUnsavedPrefix = "Data-unsaved-";
// A kept-aside recording's run marker lies beside it under this extension: it names the record
// that the recording is stored as later.
inline constexpr const char* kKeptAsideMarkerExtension = ".run";

// A record being copied into a record folder on another file system lies under its record name
// with this suffix until it is whole.
inline constexpr const char* kStoringSuffix = ".storing";

// The paths below are resolved against the work folder given with them, which holds the record
// folder and the names recordings are kept aside under.

// Moves a finished recording's working archive to its record name in the record folder (the
// first free one of that time), so no earlier record is replaced. A name that cannot form a
// record file name, or a failed move, sends it to a free unsaved name instead, so that the next
// recording's working archive never overwrites it; the run marker of the work folder goes to that
// name first, so a kill at any point leaves the recording where recovery finds it with its
// marker. The archive reaches the disk before the move and the move before the return.
StoreOutcome StoreWorkingArchive(const std::filesystem::path& workFolder,
                                 const std::filesystem::path& archive, std::string_view name,
                                 std::string_view edcText, const platform::LocalTime& storedAt);

// Moves an archive to its record name in the record folder, the first free one of that time;
// nothing when the name cannot form a record name or the move fails, and the archive stays.
std::optional<std::filesystem::path> MoveIntoRecordFolder(const std::filesystem::path& workFolder,
                                                          const std::filesystem::path& archive,
                                                          std::string_view name,
                                                          std::string_view edcText,
                                                          const platform::LocalTime& storedAt);

// After a store, the run's marker follows a kept-aside recording (its stem with the marker
// extension), so that it can be stored under its record name later; once the recording is
// stored, the marker is removed; a recording left in place keeps it where it is.
void SettleRunMarker(const std::filesystem::path& marker, const StoreOutcome& outcome);

// Moves the work folder's run marker, then the working audio and then the trace to
// "Data-unsaved-<stamp>" .run, .wav and .hr, the first stem free for all, so that no later run or
// review overwrites them; the outcome's path is the audio's. Recovery puts the run together again
// from any point between these moves.
StoreOutcome KeepWorkingFilesAside(const std::filesystem::path& workFolder,
                                   const std::filesystem::path& audio,
                                   const std::filesystem::path& trace,
                                   const platform::LocalTime& storedAt);

// The audio bytes (after the WAV header) that an archive's audio item declares; nothing when the
// archive or the item cannot be read.
std::optional<std::uint64_t> ArchivedAudioBytes(const std::filesystem::path& archive);

// The mother's record that holds the same bytes as the archive, if any: an archive that was left
// before a start and is found there was copied into the record folder by work killed before it
// removed its source.
std::optional<std::filesystem::path> StoredCopy(const std::filesystem::path& workFolder,
                                                const std::filesystem::path& archive,
                                                std::string_view name, std::string_view edcText);

// Stores what a finished run left: its archive when packing succeeded, with the marks written
// into it first (a record is never listed without them, and never lost for them), otherwise its
// working files, kept aside. A run shorter than one block of audio (a double click on the
// monitoring button) is removed instead.
StoreOutcome StoreFinishedRun(const std::filesystem::path& workFolder,
                              const std::filesystem::path& archive,
                              const std::filesystem::path& audio,
                              const std::filesystem::path& trace, std::string_view name,
                              std::string_view edcText, const platform::LocalTime& storedAt,
                              const RunMarks& marks = {});

}  // namespace marulo::session
