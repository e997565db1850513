// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavReader.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <iterator>
#include <span>

namespace marulo::platform {

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// Writers that stream and never finish the header leave this data size.
constexpr std::uint32_t kUnknownDataSize = 0xFFFFFFFF;

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

bool HasTag(std::span<const std::uint8_t> bytes, std::size_t at, const char (&tag)[5]) {
    return std::equal(tag, tag + 4, bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// Fills format from a "fmt " chunk body; gives the reason when it is not usable PCM.
std::string ParseFormat(std::span<const std::uint8_t> body, WaveFormat& format) {
    if (body.size() < 16) {
        return "format chunk too short";
    }
    format.formatTag = ReadU16(body, 0);
    format.channels = ReadU16(body, 2);
    format.samplesPerSecond = ReadU32(body, 4);
    format.averageBytesPerSecond = ReadU32(body, 8);
    format.blockAlign = ReadU16(body, 12);
    format.bitsPerSample = ReadU16(body, 14);
    // The extensible header carries the real format in the first two bytes of its sub-format.
    if (format.formatTag == kFormatExtensible && body.size() >= 26 &&
        ReadU16(body, 24) == kFormatPcm) {
        format.formatTag = kFormatPcm;
    }
    if (format.formatTag != kFormatPcm) {
        return "not PCM audio (format tag " + std::to_string(format.formatTag) + ")";
    }
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) {
        return "unsupported sample width of " + std::to_string(format.bitsPerSample) +
               " bits (8 or 16 needed)";
    }
    if (format.channels == 0 || format.samplesPerSecond == 0) {
        return "no channels or no sample rate";
    }
    if (format.blockAlign != format.channels * (format.bitsPerSample / 8)) {
        return "block align " + std::to_string(format.blockAlign) + " does not match " +
               std::to_string(format.channels) + " channels of " +
               std::to_string(format.bitsPerSample) + " bits";
    }
    return {};
}

}  // namespace

std::optional<WavData> ReadWavFile(const std::filesystem::path& path, std::string& error) {
    const std::string name = path.string();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = name + ": cannot open the file";
        return std::nullopt;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                          std::istreambuf_iterator<char>()};
    if (file.bad()) {
        error = name + ": cannot read the file";
        return std::nullopt;
    }
    const std::span<const std::uint8_t> all(bytes);
    if (all.size() < 12 || !HasTag(all, 0, "RIFF") || !HasTag(all, 8, "WAVE")) {
        error = name + ": not a RIFF WAVE file";
        return std::nullopt;
    }

    WavData wav;
    bool haveFormat = false;
    std::size_t at = 12;
    while (all.size() - at >= 8) {
        const std::size_t declared = ReadU32(all, at + 4);
        const std::size_t bodyStart = at + 8;
        const std::size_t available = all.size() - bodyStart;
        if (HasTag(all, at, "fmt ")) {
            if (declared > available) {
                error = name + ": truncated format chunk";
                return std::nullopt;
            }
            const std::string why = ParseFormat(all.subspan(bodyStart, declared), wav.format);
            if (!why.empty()) {
                error = name + ": " + why;
                return std::nullopt;
            }
            haveFormat = true;
        } else if (HasTag(all, at, "data")) {
            if (!haveFormat) {
                error = name + ": data chunk before the format chunk";
                return std::nullopt;
            }
            // A cut-off file keeps what it holds; a partial sample frame at the end is dropped.
            std::size_t size =
                declared == kUnknownDataSize ? available : std::min(declared, available);
            size -= size % wav.format.blockAlign;
            const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(bodyStart);
            wav.samples.assign(first, first + static_cast<std::ptrdiff_t>(size));
            return wav;
        }
        // Chunk bodies are padded to an even length.
        const std::size_t next = bodyStart + declared + (declared % 2);
        if (declared > available || next > all.size()) {
            break;
        }
        at = next;
    }
    error = name + (haveFormat ? ": no data chunk" : ": no format chunk");
    return std::nullopt;
}

}  // namespace marulo::platform
