// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/DayNumbers.h"

namespace marulo::mainwnd {

enum class StoreResult {
    Stored,         // moved into the record folder under its record name
    KeptAside,      // the record name could not be used; moved to a free name beside the program
    LeftInPlace,    // no move succeeded; the archive is still at its working path
    NothingToStore  // the working archive does not exist
};

struct StoreOutcome {
    StoreResult result = StoreResult::NothingToStore;
    std::filesystem::path path;  // where the recording now lies
};

// "Data-unsaved-<yyyyMMddhhmmsszzz>.zip", or with "-2", "-3" ... before ".zip" when taken, in the
// current folder.
std::filesystem::path FreeUnsavedArchivePath(const platform::LocalTime& storedAt);

// Moves a finished recording's working archive to its record name in the record folder (the
// first free one of that time), so no earlier record is replaced. A name that cannot form a
// record file name, or a failed move, sends it to a free unsaved name instead, so that the next
// recording's working archive never overwrites it. Paths are relative to the current folder.
StoreOutcome StoreWorkingArchive(const std::filesystem::path& archive, std::string_view name,
                                 std::string_view edcText, const platform::LocalTime& storedAt);

}  // namespace marulo::mainwnd
