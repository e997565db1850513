// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/StdioFile.h"

namespace marulo::recordformat {

// Writes the heart-rate trace: one signed 32-bit little-endian value per second, no header.
// Each value reaches the file system at once, so a run cut short keeps its trace.
class TraceFileWriter {
public:
    TraceFileWriter() = default;
    virtual ~TraceFileWriter();
    TraceFileWriter(const TraceFileWriter&) = delete;
    TraceFileWriter& operator=(const TraceFileWriter&) = delete;

    // Creates or replaces the file.
    bool Open(const std::filesystem::path& file);
    // False when the value could not be written, then and ever after until the next Open.
    bool Write(std::int32_t value);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }
    bool Failed() const { return m_failed; }

private:
    platform::StdioFile m_file;
    bool m_failed = false;
};

}  // namespace marulo::recordformat
