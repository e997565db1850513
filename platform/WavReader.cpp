// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavReader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <fstream>
#include <istream>
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

// Where the samples of a readable PCM WAV file lie.
struct WavLayout {
    WaveFormat format;
    std::uint64_t dataOffset = 0;
    std::uint64_t dataBytes = 0;  // whole sample frames present in the file
};

// Walks the chunks up to the data chunk, reading only the chunk headers and the format body.
std::optional<WavLayout> ReadWavLayout(std::istream& in, std::uint64_t fileSize,
                                       const std::string& name, std::string& error) {
    const auto readAt = [&in](std::uint64_t at, std::span<std::uint8_t> into) {
        in.clear();
        in.seekg(static_cast<std::streamoff>(at));
        return static_cast<bool>(in.read(reinterpret_cast<char*>(into.data()),
                                         static_cast<std::streamsize>(into.size())));
    };
    std::array<std::uint8_t, 12> riff{};
    if (fileSize < riff.size() || !readAt(0, riff) || !HasTag(riff, 0, "RIFF") ||
        !HasTag(riff, 8, "WAVE")) {
        error = name + ": not a RIFF WAVE file";
        return std::nullopt;
    }

    WavLayout layout;
    bool haveFormat = false;
    std::uint64_t at = riff.size();
    std::array<std::uint8_t, 8> header{};
    while (fileSize - at >= header.size() && readAt(at, header)) {
        const std::uint64_t declared = ReadU32(header, 4);
        const std::uint64_t bodyStart = at + header.size();
        const std::uint64_t available = fileSize - bodyStart;
        if (HasTag(header, 0, "fmt ")) {
            if (declared > available) {
                error = name + ": truncated format chunk";
                return std::nullopt;
            }
            // Nothing past the extensible header's sub-format tag is looked at.
            std::array<std::uint8_t, 26> bodyBytes{};
            const std::span<std::uint8_t> body =
                std::span(bodyBytes).first(std::min<std::uint64_t>(declared, bodyBytes.size()));
            if (!readAt(bodyStart, body)) {
                error = name + ": cannot read the file";
                return std::nullopt;
            }
            const std::string why = ParseFormat(body, layout.format);
            if (!why.empty()) {
                error = name;
                error += ": ";
                error += why;
                return std::nullopt;
            }
            haveFormat = true;
        } else if (HasTag(header, 0, "data")) {
            if (!haveFormat) {
                error = name + ": data chunk before the format chunk";
                return std::nullopt;
            }
            // A cut-off file keeps what it holds; a partial sample frame at the end is dropped.
            std::uint64_t size =
                declared == kUnknownDataSize ? available : std::min(declared, available);
            size -= size % layout.format.blockAlign;
            layout.dataOffset = bodyStart;
            layout.dataBytes = size;
            return layout;
        }
        // Chunk bodies are padded to an even length.
        const std::uint64_t next = bodyStart + declared + (declared % 2);
        if (declared > available || next > fileSize) {
            break;
        }
        at = next;
    }
    error = name + (haveFormat ? ": no data chunk" : ": no format chunk");
    return std::nullopt;
}

// Opens the file and walks its chunks; the stream is left open for reading the samples.
std::optional<WavLayout> OpenWav(const std::filesystem::path& path, std::ifstream& file,
                                 std::string& error) {
    const std::string name = path.string();
    file.open(path, std::ios::binary);
    if (!file) {
        error = name + ": cannot open the file";
        return std::nullopt;
    }
    std::error_code sizeError;
    const std::uintmax_t size = std::filesystem::file_size(path, sizeError);
    return ReadWavLayout(file, sizeError ? 0 : size, name, error);
}

}  // namespace

std::optional<WavData> ReadWavFile(const std::filesystem::path& path, std::string& error) {
    std::ifstream file;
    const std::optional<WavLayout> layout = OpenWav(path, file, error);
    if (!layout) {
        return std::nullopt;
    }
    WavData wav{layout->format, std::vector<std::uint8_t>(layout->dataBytes)};
    file.clear();
    file.seekg(static_cast<std::streamoff>(layout->dataOffset));
    if (!file.read(reinterpret_cast<char*>(wav.samples.data()),
                   static_cast<std::streamsize>(wav.samples.size()))) {
        error = path.string() + ": cannot read the file";
        return std::nullopt;
    }
    return wav;
}

std::optional<WaveFormat> ReadWavFormat(const std::filesystem::path& path, std::string& error) {
    std::ifstream file;
    const std::optional<WavLayout> layout = OpenWav(path, file, error);
    if (!layout) {
        return std::nullopt;
    }
    return layout->format;
}

}  // namespace marulo::platform
