// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/WavReader.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

namespace marulo::recordformat {

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
    if (format.samplesPerSecond < kLowestWavRate || format.samplesPerSecond > kHighestWavRate) {
        return "sample rate of " + std::to_string(format.samplesPerSecond) + " Hz outside " +
               std::to_string(kLowestWavRate) + ".." + std::to_string(kHighestWavRate);
    }
    if (format.blockAlign != format.channels * (format.bitsPerSample / 8)) {
        return "block align " + std::to_string(format.blockAlign) + " does not match " +
               std::to_string(format.channels) + " channels of " +
               std::to_string(format.bitsPerSample) + " bits";
    }
    return {};
}

// Reads and drops count bytes; false when the source ends first.
bool Skip(platform::ByteSource& source, std::uint64_t count) {
    std::array<std::uint8_t, 4096> scratch{};
    while (count > 0) {
        const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(count, scratch.size()));
        if (source.Read(std::span(scratch).first(part)) != part) {
            return false;
        }
        count -= part;
    }
    return true;
}

}  // namespace

std::optional<WavStream> WavStream::Open(platform::ByteSource& source, const std::string& name,
                                         std::string& error) {
    const auto fail = [&](const std::string& why) {
        error = name + ": " + (source.Failed() ? "cannot read the file" : why);
        return std::nullopt;
    };
    std::array<std::uint8_t, 12> riff{};
    if (source.Read(riff) != riff.size() || !HasTag(riff, 0, "RIFF") || !HasTag(riff, 8, "WAVE")) {
        return fail("not a RIFF WAVE file");
    }

    WaveFormat format;
    bool haveFormat = false;
    std::array<std::uint8_t, 8> header{};
    while (source.Read(header) == header.size()) {
        const std::uint64_t declared = ReadU32(header, 4);
        if (HasTag(header, 0, "fmt ")) {
            // Nothing past the extensible header's sub-format tag is looked at.
            std::array<std::uint8_t, 26> bodyBytes{};
            const std::span<std::uint8_t> body =
                std::span(bodyBytes).first(std::min<std::uint64_t>(declared, bodyBytes.size()));
            if (source.Read(body) != body.size() || !Skip(source, declared - body.size())) {
                return fail("truncated format chunk");
            }
            const std::string why = ParseFormat(body, format);
            if (!why.empty()) {
                return fail(why);
            }
            haveFormat = true;
        } else if (HasTag(header, 0, "data")) {
            if (!haveFormat) {
                return fail("data chunk before the format chunk");
            }
            return WavStream(source, format, declared == kUnknownDataSize ? kToTheEnd : declared);
        } else if (!Skip(source, declared)) {
            break;
        }
        // Chunk bodies are padded to an even length.
        if (declared % 2 != 0 && !Skip(source, 1)) {
            break;
        }
    }
    return fail(haveFormat ? "no data chunk" : "no format chunk");
}

std::size_t WavStream::ReadFrames(std::span<std::uint8_t> into) {
    const std::size_t align = m_format.blockAlign;
    const auto wanted = static_cast<std::size_t>(
        std::min<std::uint64_t>(into.size() - into.size() % align, m_remaining));
    if (wanted == 0) {
        return 0;
    }
    std::size_t got = m_source->Read(into.first(wanted));
    if (m_remaining != kToTheEnd) {
        m_remaining -= wanted;
    }
    if (got < wanted) {
        m_endedShort = m_remaining != kToTheEnd;
        m_remaining = 0;
    }
    // Only the last read can hold a partial frame: a cut-off file or an odd declared size.
    if (m_remaining == 0) {
        got -= got % align;
    }
    return got;
}

std::optional<WavData> ReadWavFile(const std::filesystem::path& path, std::string& error) {
    platform::FileByteSource source(path);
    if (!source.IsOpen()) {
        error = path.string() + ": cannot open the file";
        return std::nullopt;
    }
    auto stream = WavStream::Open(source, path.string(), error);
    if (!stream) {
        return std::nullopt;
    }
    WavData wav{stream->Format(), {}};
    std::error_code sizeError;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, sizeError);
    constexpr std::size_t kStep = 1 << 20;
    wav.samples.reserve(sizeError ? kStep : static_cast<std::size_t>(fileSize));
    for (std::size_t got = 1; got > 0;) {
        const std::size_t at = wav.samples.size();
        wav.samples.resize(at + kStep);
        got = stream->ReadFrames(std::span(wav.samples).subspan(at));
        wav.samples.resize(at + got);
    }
    if (stream->Failed()) {
        error = path.string() + ": cannot read the file";
        return std::nullopt;
    }
    return wav;
}

std::optional<WaveFormat> ReadWavFormat(const std::filesystem::path& path, std::string& error) {
    platform::FileByteSource source(path);
    if (!source.IsOpen()) {
        error = path.string() + ": cannot open the file";
        return std::nullopt;
    }
    const auto stream = WavStream::Open(source, path.string(), error);
    if (!stream) {
        return std::nullopt;
    }
    return stream->Format();
}

}  // namespace marulo::recordformat
