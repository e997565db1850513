// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace marulo::archive {

// The working files that hold a loaded record; either path is empty when the record lacks it.
struct RecordFiles {
    std::string audioPath;
    std::string tracePath;
};

inline constexpr const char* kLoadedAudioFile = "Data.wav";
inline constexpr const char* kLoadedTraceFile = "Data.hr";

// Unpacks a stored record into the working files of the current directory. The old working
// files are deleted first, so a record that fails to unpack leaves nothing of the previous one.
// Items are written only under the working names, whatever their stored names say; an archive
// that cannot be read gives an empty record.
RecordFiles UnpackRecord(const std::filesystem::path& archive);

// Whether a stored item name is the record's audio: its extension is ".wav" in any letter case.
bool IsAudioItem(const std::string& storedName);

// The heart rates of a trace file: signed 32-bit little-endian values, trailing bytes ignored;
// empty when the file cannot be read.
std::vector<std::int32_t> ReadTrace(const std::filesystem::path& trace);

}  // namespace marulo::archive
