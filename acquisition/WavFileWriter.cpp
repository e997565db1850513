// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/WavFileWriter.h"

#include <cstring>

#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

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

std::array<std::uint8_t, kWavHeaderBytes> WavHeader(const platform::WaveFormat& format,
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
                         const std::optional<platform::WaveFormat>& format) {
    Close();
    m_file.reset(std::fopen(file.c_str(), "wb"));
    if (!m_file) {
        return false;
    }
    m_format = format.value_or(CaptureFormat());
    m_dataBytes = 0;
    m_unsyncedBytes = 0;
    WriteHeader();
    return true;
}

void WavFileWriter::Append(std::span<const std::uint8_t> bytes) {
    if (!m_file) {
        return;
    }
    std::fwrite(bytes.data(), 1, bytes.size(), m_file.get());
    m_dataBytes += static_cast<std::uint32_t>(bytes.size());
    m_unsyncedBytes += static_cast<std::uint32_t>(bytes.size());
    if (m_unsyncedBytes >= m_format.averageBytesPerSecond) {
        WriteHeader();
        std::fseek(m_file.get(), 0, SEEK_END);
        m_unsyncedBytes = 0;
    }
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
    std::fwrite(header.data(), 1, header.size(), m_file.get());
    std::fflush(m_file.get());
}

}  // namespace marulo::acquisition
