// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ByteSource.h"
#include "recordformat/WaveFormat.h"

namespace marulo::recordformat {

// Sample rates a WAV may claim; outside them the header is taken as broken.
inline constexpr std::uint32_t kLowestWavRate = 1000;
inline constexpr std::uint32_t kHighestWavRate = 384000;

// A PCM WAV (8 or 16 bits, any channel count, a rate of 1000..384000 Hz) read in order from its
// first byte, so that pipes work and memory does not grow with the file: the chunks up to the
// data chunk, then its whole sample frames. The RIFF size is not relied on, as streaming writers
// leave it wrong; a data size of 0xFFFFFFFF means "up to the end".
class WavStream {
public:
    // Reads the header up to the samples; on failure gives nothing and one line saying why,
    // starting with name. The source must outlive the stream.
    static std::optional<WavStream> Open(platform::ByteSource& source, const std::string& name,
                                         std::string& error);

    const WaveFormat& Format() const { return m_format; }

    // Reads whole sample frames into the front of into and gives the byte count; 0 at the end of
    // the data. A partial frame at the end of a cut-off file is dropped.
    std::size_t ReadFrames(std::span<std::uint8_t> into);

    // Whether the samples ended on a read error rather than at their end.
    bool Failed() const { return m_source->Failed(); }

    // Whether the file ended before the sample bytes its header declares.
    bool EndedShort() const { return m_endedShort; }

private:
    static constexpr std::uint64_t kToTheEnd = UINT64_MAX;

    WavStream(platform::ByteSource& source, const WaveFormat& format, std::uint64_t dataBytes)
        : m_source(&source), m_format(format), m_remaining(dataBytes) {}

    platform::ByteSource* m_source;
    WaveFormat m_format;
    std::uint64_t m_remaining;
    bool m_endedShort = false;
};

// The format and sample bytes of a PCM WAV file.
struct WavData {
    WaveFormat format;
    std::vector<std::uint8_t> samples;
};

// Reads a whole PCM WAV file or pipe. On failure gives nothing and one line saying why in error.
std::optional<WavData> ReadWavFile(const std::filesystem::path& path, std::string& error);

// The same checks without reading the samples: only the chunks before them are read, so a long
// recording is checked as fast as a short one.
std::optional<WaveFormat> ReadWavFormat(const std::filesystem::path& path, std::string& error);

}  // namespace marulo::recordformat
