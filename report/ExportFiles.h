// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace marulo::report {

// What a stored record's archive holds, read straight from it and never through the working
// files: the trace of its first top-level "Data.hr" item, and whether a top-level "Data.wav"
// is there.
struct ArchivedRecord {
    std::vector<std::int32_t> trace;
    bool hasAudio = false;
};

// Nothing, and one line saying why, when the archive cannot be opened, lacks either item, or
// its trace cannot be read or is longer than any recording.
std::optional<ArchivedRecord> ReadArchivedRecord(const std::filesystem::path& archive,
                                                 std::string& error);

// Writes the record's first top-level "Data.wav" to the target once it has been unpacked whole
// and reads as a WAV file; otherwise leaves the target as it was and says why.
bool SaveArchivedAudio(const std::filesystem::path& archive, const std::filesystem::path& target,
                       std::string& error);

// Lets write fill a temporary file beside the target, then puts it in the target's place, so the
// target is either what it was or complete. On failure the temporary file is gone and error says
// why (write may set it; it is filled otherwise).
bool WriteThroughTemporary(
    const std::filesystem::path& target,
    const std::function<bool(const std::filesystem::path& temporary, std::string& error)>& write,
    std::string& error);

}  // namespace marulo::report
