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

// Which side an export failed on.
enum class ExportFailure {
    None,
    Input,  // the record cannot be read, or its audio is larger than its trace allows
    Output  // the target cannot be written (no room, no right, not an ordinary file)
};

// Writes the record's first top-level "Data.wav" to the target once it has been unpacked whole,
// within the length its trace allows (as a review unpacks it), and reads as a WAV file;
// otherwise leaves the target as it was, says why and, when asked, on which side it failed.
bool SaveArchivedAudio(const std::filesystem::path& archive, const std::filesystem::path& target,
                       std::string& error, ExportFailure* failure = nullptr);

// How far a record's audio can be trusted once read through to its end.
enum class AudioState {
    Whole,
    Damaged,  // cut off before the length its header declares, unreadable, or a check sum that
              // does not match
    TooLarge  // more bytes than its trace allows: refused as a review refuses it
};

struct AudioScan {
    AudioState state = AudioState::Whole;
    std::string why;  // for Damaged and TooLarge
};

// Reads the record's "Data.wav" item through once, in small pieces, stopping at maxBytes.
AudioScan ScanArchivedAudio(const std::filesystem::path& archive, std::uint64_t maxBytes);

// Lets write fill a temporary file beside the target, then puts it in the target's place, so the
// target is either what it was or complete. A target that is a symbolic link is written through:
// the file it leads to is replaced and the link stays. A target that exists and is no ordinary
// file (a device, a pipe, a folder), or a path that is no UTF-8, is refused and nothing is
// written. On failure the temporary file is gone and error says why (write may set it; it is
// filled otherwise).
bool WriteThroughTemporary(
    const std::filesystem::path& target,
    const std::function<bool(const std::filesystem::path& temporary, std::string& error)>& write,
    std::string& error);

}  // namespace marulo::report
