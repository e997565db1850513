// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/TraceFormat.h"

#include <fstream>

namespace marulo::recordformat {

std::vector<std::int32_t> TraceFromBytes(std::span<const unsigned char> bytes) {
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

std::vector<std::int32_t> ReadTrace(const std::filesystem::path& trace) {
    std::ifstream in(trace, std::ios::binary);
    if (!in) {
        return {};
    }
    std::vector<unsigned char> bytes(kMaxTraceBytes + 1);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got > kMaxTraceBytes) {
        return {};
    }
    bytes.resize(got);
    return TraceFromBytes(bytes);
}

}  // namespace marulo::recordformat
