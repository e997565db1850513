// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Zip.h"
#include "recordformat/TraceFormat.h"

namespace marulo::archive {

// The only items a stored record is read from: these exact names at the archive's top level.
// The first item of each name counts; every other item is ignored.
inline constexpr std::string_view kAudioItemName = "Data.wav";
inline constexpr std::string_view kTraceItemName = "Data.hr";

// Why a stored record, or a part of it, could not be read.
enum class RecordProblem {
    None,
    Unreadable,   // not an archive, truncated, or its data fails the checks (CRC)
    NoAudio,      // no "Data.wav" item
    NoTrace,      // no "Data.hr" item
    TooLarge,     // an item is larger than a record can be
    NoSpace,      // the audio does not fit the free disk space
    Cancelled,    // a newer request stopped the work
    WriteFailed,  // a working file cannot be written
};

// The RIFF size field is 32 bits and counts everything after the first 8 bytes.
inline constexpr std::uint64_t kMaxAudioBytes = 0xFFFFFFFFULL + 8;
// A record's audio (16,000 bytes a second after a 44-byte header) is never more than a few
// seconds longer than its trace: a run's trace lags its audio by less than a second. Audio
// beyond that marks a damaged or forged record.
inline constexpr std::uint64_t kAudioSecondsBeyondTrace = 5;
inline constexpr std::uint64_t MaxAudioBytesForTrace(std::uint64_t traceSeconds) {
    return 44 + (traceSeconds + kAudioSecondsBeyondTrace) * 16000;
}

// A stored record's archive, read within sane limits whatever the archive claims.
class RecordArchive {
public:
    RecordProblem Open(const std::filesystem::path& archive);

    bool HasAudio() const { return m_audioItem.has_value(); }
    bool HasTrace() const { return m_traceItem.has_value(); }

    // The trace item's bytes, read once into memory.
    RecordProblem ReadTraceBytes(std::vector<unsigned char>& bytes,
                                 std::uint64_t maxBytes = recordformat::kMaxTraceBytes) const;
    RecordProblem ReadTrace(std::vector<std::int32_t>& trace) const;

    // Writes the audio item to the target through a temporary file in the same folder that
    // replaces the target only when complete; on any failure no file is left behind.
    RecordProblem ExtractAudio(const std::filesystem::path& target,
                               const std::atomic<bool>* stop = nullptr,
                               std::uint64_t maxBytes = kMaxAudioBytes) const;

private:
    platform::ZipReader m_zip;
    std::optional<int> m_audioItem;
    std::optional<int> m_traceItem;
};

// Writes bytes to the target through a temporary file in the same folder, as ExtractAudio does.
RecordProblem WriteFileWhole(const std::filesystem::path& target,
                             std::span<const unsigned char> bytes);

}  // namespace marulo::archive
