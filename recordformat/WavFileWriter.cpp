// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/WavFileWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "acquisition/CaptureFormat.h"

namespace marulo::recordformat {

namespace {

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::span<std::uint8_t> target) : m_target(target) {}

    void Text(const char (&text)[5]) {
        std::memcpy(m_target.data() + m_offset, text, 4);
        m_offset += 4;
    }
    void U16(std::uint16_t value) { Bytes(value, 2); }
    void U32(std::uint32_t value) { Bytes(value, 4); }

private:
    void Bytes(std::uint32_t value, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            m_target[m_offset++] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

    std::span<std::uint8_t> m_target;
    std::size_t m_offset = 0;
};

}  // namespace

std::array<std::uint8_t, kWavHeaderBytes> WavHeader(const recordformat::WaveFormat& format,
                                                    std::uint32_t dataBytes) {
    std::array<std::uint8_t, kWavHeaderBytes> header{};
    LittleEndianWriter out(header);
    out.Text("RIFF");
    out.U32(36 + dataBytes);
    out.Text("WAVE");
    out.Text("fmt ");
    out.U32(16);
    out.U16(format.formatTag);
    out.U16(format.channels);
    out.U32(format.samplesPerSecond);
    out.U32(format.averageBytesPerSecond);
    out.U16(format.blockAlign);
    out.U16(format.bitsPerSample);
    out.Text("data");
    out.U32(dataBytes);
    return header;
}

WavFileWriter::~WavFileWriter() {
    Close();
}

bool WavFileWriter::Open(const std::filesystem::path& file,
                         const std::optional<recordformat::WaveFormat>& format) {
    Close();
    m_failed = false;
    m_file = platform::OpenStdioFile(file, "wb");
    if (!m_file) {
        m_failed = true;
        return false;
    }
    std::setvbuf(m_file.get(), nullptr, _IONBF, 0);
    m_path = file;
    m_format = format.value_or(acquisition::CaptureFormat());
    m_dataBytes = 0;
    m_unsyncedBytes = 0;
    WriteHeader();
    if (m_failed) {
        m_file.reset();
        return false;
    }
    return true;
}

bool WavFileWriter::Append(std::span<const std::uint8_t> bytes) {
    if (!m_file || m_failed) {
        return false;
    }
    const std::size_t written = std::fwrite(bytes.data(), 1, bytes.size(), m_file.get());
    m_dataBytes += static_cast<std::uint32_t>(written);
    m_unsyncedBytes += static_cast<std::uint32_t>(written);
    if (written < bytes.size()) {
        Fail();
        return false;
    }
    if (m_unsyncedBytes >= m_format.averageBytesPerSecond) {
        WriteHeader();
        std::fseek(m_file.get(), 0, SEEK_END);
        m_unsyncedBytes = 0;
    }
    return !m_failed;
}

// Keeps whole frames only, so that the header and the file agree on a playable length.
void WavFileWriter::Fail() {
    m_failed = true;
    std::fflush(m_file.get());
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(m_path, error);
    if (!error) {
        m_dataBytes =
            static_cast<std::uint32_t>(std::min<std::uintmax_t>(m_dataBytes, WavAudioBytes(size)));
    }
    const std::uint16_t frame = std::max<std::uint16_t>(m_format.blockAlign, 1);
    m_dataBytes -= m_dataBytes % frame;
    // Only ever shortens the file.
    std::filesystem::resize_file(m_path, kWavHeaderBytes + m_dataBytes, error);
    WriteHeader();
}

void WavFileWriter::Close() {
    if (!m_file) {
        return;
    }
    WriteHeader();
    m_file.reset();
}

void WavFileWriter::WriteHeader() {
    const auto header = WavHeader(m_format, m_dataBytes);
    std::fseek(m_file.get(), 0, SEEK_SET);
    // The header only overwrites bytes the file has, so it fits even on a full disk.
    if (std::fwrite(header.data(), 1, header.size(), m_file.get()) != header.size()) {
        m_failed = true;
    }
    std::fflush(m_file.get());
}

}  // namespace marulo::recordformat
