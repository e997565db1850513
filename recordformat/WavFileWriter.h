// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "platform/StdioFile.h"
#include "recordformat/WaveFormat.h"

namespace marulo::recordformat {

inline constexpr std::size_t kWavHeaderBytes = 44;

// The audio bytes a WAV file (or its item) of this size holds beyond its header.
constexpr std::uintmax_t WavAudioBytes(std::uintmax_t fileBytes) {
    return fileBytes > kWavHeaderBytes ? fileBytes - kWavHeaderBytes : 0;
}

// Writes a PCM WAV file: the 44-byte header, then the samples as appended. The header's two size
// fields on disk are brought up to date at least once per second of audio, so a file cut short
// by a crash or power loss still reads as a WAV. Writes go straight to the system, so the header
// counts only bytes the file took: after a failed write (disk full, size limit) the file keeps
// the whole frames written so far and takes no more.
class WavFileWriter {
public:
    WavFileWriter() = default;
    virtual ~WavFileWriter();
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates or replaces the file and writes the header; the capture format when none is given.
    bool Open(const std::filesystem::path& file,
              const std::optional<recordformat::WaveFormat>& format = std::nullopt);
    // False when the bytes could not all be written, then and ever after until the next Open.
    bool Append(std::span<const std::uint8_t> bytes);
    // Writes the header with the final sizes and closes the file.
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    bool Failed() const { return m_failed; }
    std::uint32_t DataBytes() const { return m_dataBytes; }

private:
    void WriteHeader();
    void Fail();

    platform::StdioFile m_file;
    std::filesystem::path m_path;
    bool m_failed = false;
    recordformat::WaveFormat m_format;
    std::uint32_t m_dataBytes = 0;
    std::uint32_t m_unsyncedBytes = 0;  // appended since the header on disk was last updated
};

// The 44-byte header of a PCM WAV file holding dataBytes of samples.
std::array<std::uint8_t, kWavHeaderBytes> WavHeader(const recordformat::WaveFormat& format,
                                                    std::uint32_t dataBytes);

}  // namespace marulo::recordformat
