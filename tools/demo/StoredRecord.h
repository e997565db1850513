// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "recordformat/WaveFormat.h"

namespace marulo::demo {

// What a stored record archive holds, read without touching the program's working files.
struct StoredRecord {
    std::vector<std::string> itemNames;  // in archive order
    recordformat::WaveFormat format;
    std::vector<std::uint8_t> audio;  // the WAV data bytes
    std::vector<std::int32_t> trace;  // one heart rate a second

    double AudioSeconds() const;
};

// Reads the archive's "Data.wav" and "Data.hr"; on failure gives nothing and why.
std::optional<StoredRecord> ReadStoredRecord(const std::filesystem::path& archive,
                                             std::string& error);

}  // namespace marulo::demo
