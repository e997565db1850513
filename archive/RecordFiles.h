// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/RecordArchive.h"
#include "platform/WorkingFiles.h"

namespace marulo::archive {

// The working files that hold a loaded record; either path is empty when the record lacks it.
struct RecordFiles {
    std::string audioPath;
    std::string tracePath;
};

inline constexpr const char* kLoadedAudioFile = platform::kWorkingWavFile;
inline constexpr const char* kLoadedTraceFile = platform::kWorkingTraceFile;

// A stored record as unpacked into the working files, with its trace already read. With
// NoAudio or NoTrace the other part is loaded; with any other problem nothing is.
struct LoadedRecord {
    RecordProblem problem = RecordProblem::None;
    RecordFiles files;
    std::vector<std::int32_t> trace;
};

// Unpacks a stored record into the working files of the work folder. The old working
// files are deleted first, so a record that fails to unpack leaves nothing of the previous one,
// and a failure or a raised stop flag leaves no working file at all. Audio longer than its trace
// allows is refused as unreadable (a damaged record) as soon as unpacking reaches that length.
LoadedRecord UnpackRecord(const std::filesystem::path& archive,
                          const std::filesystem::path& workFolder,
                          const std::atomic<bool>* stop = nullptr);

}  // namespace marulo::archive
