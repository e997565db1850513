// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/faults/StoredAudio.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <system_error>

#include "tools/demo/StoredRecord.h"

namespace marulo::faults {

namespace {

namespace fs = std::filesystem;

std::uint32_t Le32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

StoredAudio FromArchive(StoredPlace place, const fs::path& folder, const fs::path& archive) {
    StoredAudio found{place, fs::relative(archive, folder), std::nullopt, std::nullopt};
    std::string error;
    if (const auto record = demo::ReadStoredRecord(archive, error)) {
        found.seconds = record->AudioSeconds();
        found.traceValues = record->trace.size();
    }
    return found;
}

}  // namespace

std::optional<double> LooseWavSeconds(const fs::path& wav) {
    std::ifstream in(wav, std::ios::binary);
    std::array<char, 12> riff{};
    if (!in.read(riff.data(), riff.size()) || std::string(riff.data(), 4) != "RIFF" ||
        std::string(riff.data() + 8, 4) != "WAVE") {
        return std::nullopt;
    }
    std::uint32_t bytesPerSecond = 0;
    std::array<char, 8> chunk{};
    while (in.read(chunk.data(), chunk.size())) {
        const std::string id(chunk.data(), 4);
        const std::uint32_t size = Le32(chunk.data() + 4);
        if (id == "data") {
            std::error_code error;
            const auto fileSize = fs::file_size(wav, error);
            const auto start = static_cast<std::uintmax_t>(in.tellg());
            if (error || bytesPerSecond == 0 || fileSize < start) {
                return std::nullopt;
            }
            return static_cast<double>(fileSize - start) / bytesPerSecond;
        }
        if (id == "fmt " && size >= 16) {
            std::array<char, 16> format{};
            if (!in.read(format.data(), format.size())) {
                return std::nullopt;
            }
            bytesPerSecond = Le32(format.data() + 8);
            in.seekg(size - format.size() + (size & 1), std::ios::cur);
        } else {
            in.seekg(size + (size & 1), std::ios::cur);
        }
    }
    return std::nullopt;
}

std::vector<StoredAudio> FindStoredAudio(const fs::path& folder) {
    std::vector<StoredAudio> found;
    std::error_code error;
    std::vector<fs::path> records;
    if (fs::is_directory(folder / "Data", error)) {
        for (const auto& entry : fs::directory_iterator(folder / "Data", error)) {
            if (entry.path().extension() == ".zip") {
                records.push_back(entry.path());
            }
        }
    }
    std::sort(records.begin(), records.end());
    for (const fs::path& record : records) {
        found.push_back(FromArchive(StoredPlace::Record, folder, record));
    }

    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("Data-unsaved-") || name == "Data.zip") {
            kept.push_back(entry.path());
        }
    }
    std::sort(kept.begin(), kept.end());
    for (const fs::path& file : kept) {
        if (file.extension() == ".zip") {
            found.push_back(FromArchive(StoredPlace::Kept, folder, file));
        } else if (file.extension() == ".wav") {
            found.push_back({StoredPlace::Kept, fs::relative(file, folder), LooseWavSeconds(file),
                             std::nullopt});
        }
    }

    if (fs::exists(folder / "Data.wav", error)) {
        found.push_back(
            {StoredPlace::Working, "Data.wav", LooseWavSeconds(folder / "Data.wav"), std::nullopt});
    }
    return found;
}

}  // namespace marulo::faults
