// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/TraceFileWriter.h"

#include <array>
#include <cstdio>

namespace marulo::recordformat {

TraceFileWriter::~TraceFileWriter() {
    Close();
}

bool TraceFileWriter::Open(const std::filesystem::path& file) {
    Close();
    m_file = platform::OpenStdioFile(file, "wb");
    m_failed = m_file == nullptr;
    if (m_file) {
        std::setvbuf(m_file.get(), nullptr, _IONBF, 0);
    }
    return m_file != nullptr;
}

bool TraceFileWriter::Write(std::int32_t value) {
    if (!m_file || m_failed) {
        return false;
    }
    const auto bits = static_cast<std::uint32_t>(value);
    const std::array<std::uint8_t, 4> bytes{
        static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
        static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size()) {
        m_failed = true;
    }
    return !m_failed;
}

void TraceFileWriter::Close() {
    m_file.reset();
}

}  // namespace marulo::recordformat
