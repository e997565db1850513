// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a stored record archive, unpacked into the working files and read as a review
// would: nothing may be written outside the working names.
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "archive/RecordFiles.h"
#include "recordformat/WavReader.h"
#include "tests/fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    const fs::path& archive = marulo::fuzz::ScratchFolder::Instance().Write(data, size);
    const marulo::archive::LoadedRecord loaded = marulo::archive::UnpackRecord(archive, {});
    const marulo::archive::RecordFiles& files = loaded.files;
    // The trace handed back is the trace written: a review reads the same values either way.
    if (!files.tracePath.empty() &&
        marulo::recordformat::ReadTrace(files.tracePath) != loaded.trace) {
        std::abort();
    }
    if (!files.audioPath.empty()) {
        std::string error;
        marulo::recordformat::ReadWavFormat(files.audioPath, error);
    }
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(fs::current_path(), error)) {
        const auto name = entry.path().filename();
        if (name != archive.filename() && name != marulo::archive::kLoadedAudioFile &&
            name != marulo::archive::kLoadedTraceFile) {
            std::abort();
        }
    }
    return 0;
}
