// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"

namespace marulo::testing {

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string TraceBytes(const std::vector<std::int32_t>& trace) {
    std::string bytes;
    for (const std::int32_t value : trace) {
        const auto raw = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<char>((raw >> shift) & 0xFF));
        }
    }
    return bytes;
}

// A capture-format WAV of silence.
inline std::string WavBytes(double seconds) {
    const auto dataBytes = static_cast<std::uint32_t>(seconds * 16000) & ~1U;
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(), dataBytes);
    return std::string(header.begin(), header.end()) + std::string(dataBytes, '\x80');
}

// Packs items, given as stored name and content, into a ZIP archive in archive order.
inline void WriteArchive(const std::filesystem::path& archive,
                         const std::vector<std::pair<std::string, std::string>>& items) {
    const std::filesystem::path scratch =
        archive.parent_path() / (archive.filename().string() + ".items");
    std::filesystem::create_directories(scratch);
    platform::ZipWriter zip;
    zip.Create(archive);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::filesystem::path source = scratch / std::to_string(i);
        WriteBytes(source, items[i].second);
        zip.AddFile(items[i].first, source);
    }
    zip.Close();
    std::filesystem::remove_all(scratch);
}

// A record as the program stores it: "Data.wav" and "Data.hr".
inline void WriteRecord(const std::filesystem::path& archive,
                        const std::vector<std::int32_t>& trace, double audioSeconds = 2.0) {
    WriteArchive(archive, {{"Data.wav", WavBytes(audioSeconds)}, {"Data.hr", TraceBytes(trace)}});
}

}  // namespace marulo::testing
