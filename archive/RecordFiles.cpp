// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordFiles.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/Zip.h"

namespace marulo::archive {

bool IsAudioItem(const std::string& storedName) {
    const auto dot = storedName.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string extension = storedName.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".wav";
}

RecordFiles UnpackRecord(const std::filesystem::path& archive) {
    std::error_code ignored;
    std::filesystem::remove(kLoadedAudioFile, ignored);
    std::filesystem::remove(kLoadedTraceFile, ignored);

    RecordFiles files;
    platform::ZipReader reader;
    if (!reader.Open(archive)) {
        return files;
    }
    const int count = reader.ItemCount();
    for (int index = 0; index < count; ++index) {
        // The stored name only decides the kind; writing under the working name keeps every
        // item inside the program's folder and away from its own files.
        const bool audio = IsAudioItem(reader.ItemName(index));
        const char* target = audio ? kLoadedAudioFile : kLoadedTraceFile;
        if (reader.ExtractItemToFile(index, target)) {
            (audio ? files.audioPath : files.tracePath) = target;
        } else {
            std::filesystem::remove(target, ignored);
            (audio ? files.audioPath : files.tracePath).clear();
        }
    }
    return files;
}

std::vector<std::int32_t> ReadTrace(const std::filesystem::path& trace) {
    std::ifstream in(trace, std::ios::binary);
    if (!in) {
        return {};
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in),
                                           std::istreambuf_iterator<char>()};
    std::vector<std::int32_t> values;
    values.reserve(bytes.size() / 4);
    for (std::size_t offset = 0; offset + 4 <= bytes.size(); offset += 4) {
        const std::uint32_t raw = static_cast<std::uint32_t>(bytes[offset]) |
                                  static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
                                  static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
                                  static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
        values.push_back(static_cast<std::int32_t>(raw));
    }
    return values;
}

}  // namespace marulo::archive
