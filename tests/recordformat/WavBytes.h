// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace marulo::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Put(Bytes& to, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// One RIFF chunk, padded to an even length; declaredSize may lie about the body.
inline Bytes Chunk(const std::string& tag, const Bytes& body, std::int64_t declaredSize = -1) {
    Bytes chunk(tag.begin(), tag.end());
    Put(chunk, static_cast<std::uint32_t>(declaredSize < 0 ? body.size() : declaredSize), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        chunk.push_back(0);
    }
    return chunk;
}

inline Bytes FormatChunk(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                         std::uint16_t bits) {
    Bytes body;
    const std::uint32_t align = channels * bits / 8;
    for (const auto& [value, size] : std::initializer_list<std::pair<std::uint32_t, int>>{
             {tag, 2}, {channels, 2}, {rate, 4}, {rate * align, 4}, {align, 2}, {bits, 2}}) {
        Put(body, value, size);
    }
    return Chunk("fmt ", body);
}

// A RIFF WAVE file of the given chunks.
inline Bytes Wav(const std::vector<Bytes>& chunks) {
    Bytes all{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    for (const auto& chunk : chunks) {
        all.insert(all.end(), chunk.begin(), chunk.end());
    }
    const auto size = static_cast<std::uint32_t>(all.size() - 8);
    for (int i = 0; i < 4; ++i) {
        all[4 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return all;
}

inline void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace marulo::testing
