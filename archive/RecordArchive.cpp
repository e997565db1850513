// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordArchive.h"

#include <cstdio>
#include <system_error>

#include "platform/StdioFile.h"

namespace marulo::archive {

namespace {

namespace fs = std::filesystem;

fs::path TemporaryPathFor(const fs::path& target) {
    fs::path temporary = target;
    temporary += ".part";
    return temporary;
}

RecordProblem ProblemOf(platform::ZipItemResult result) {
    switch (result) {
        case platform::ZipItemResult::Done:
            return RecordProblem::None;
        case platform::ZipItemResult::Unreadable:
            return RecordProblem::Unreadable;
        case platform::ZipItemResult::TooLarge:
            return RecordProblem::TooLarge;
        case platform::ZipItemResult::WriteFailed:
            return RecordProblem::WriteFailed;
        case platform::ZipItemResult::Stopped:
            return RecordProblem::Cancelled;
    }
    return RecordProblem::Unreadable;
}

// Moves a complete temporary file over the target, or removes it.
RecordProblem Finish(const fs::path& temporary, const fs::path& target, RecordProblem problem) {
    std::error_code error;
    if (problem == RecordProblem::None) {
        fs::rename(temporary, target, error);
        if (!error) {
            return RecordProblem::None;
        }
        problem = RecordProblem::WriteFailed;
    }
    fs::remove(temporary, error);
    return problem;
}

std::uint64_t FreeBytesFor(const fs::path& target) {
    std::error_code error;
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const fs::space_info space = fs::space(folder, error);
    return error ? 0 : space.available;
}

}  // namespace

RecordProblem RecordArchive::Open(const std::filesystem::path& archive) {
    m_audioItem.reset();
    m_traceItem.reset();
    if (!m_zip.Open(archive)) {
        return RecordProblem::Unreadable;
    }
    m_audioItem = m_zip.FindItem(kAudioItemName);
    m_traceItem = m_zip.FindItem(kTraceItemName);
    return RecordProblem::None;
}

RecordProblem RecordArchive::ReadTraceBytes(std::vector<unsigned char>& bytes,
                                            std::uint64_t maxBytes) const {
    bytes.clear();
    if (!m_traceItem) {
        return RecordProblem::NoTrace;
    }
    // The declared size refuses an honest bomb before a byte is inflated; the capped read
    // refuses one that lies about its size.
    if (const auto declared = m_zip.DeclaredSize(*m_traceItem); declared && *declared > maxBytes) {
        return RecordProblem::TooLarge;
    }
    return ProblemOf(m_zip.ReadItem(*m_traceItem, maxBytes, bytes));
}

RecordProblem RecordArchive::ReadTrace(std::vector<std::int32_t>& trace) const {
    std::vector<unsigned char> bytes;
    const RecordProblem problem = ReadTraceBytes(bytes);
    trace = recordformat::TraceFromBytes(bytes);
    return problem;
}

RecordProblem RecordArchive::ExtractAudio(const std::filesystem::path& target,
                                          const std::atomic<bool>* stop,
                                          std::uint64_t maxBytes) const {
    if (!m_audioItem) {
        return RecordProblem::NoAudio;
    }
    const std::uint64_t freeBytes = FreeBytesFor(target);
    if (const auto declared = m_zip.DeclaredSize(*m_audioItem)) {
        if (*declared > maxBytes) {
            return RecordProblem::TooLarge;
        }
        if (*declared > freeBytes) {
            return RecordProblem::NoSpace;
        }
    }
    const bool spaceIsTheLimit = freeBytes < maxBytes;
    const fs::path temporary = TemporaryPathFor(target);
    RecordProblem problem = ProblemOf(
        m_zip.ExtractItem(*m_audioItem, temporary, spaceIsTheLimit ? freeBytes : maxBytes, stop));
    if (problem == RecordProblem::TooLarge && spaceIsTheLimit) {
        problem = RecordProblem::NoSpace;
    }
    return Finish(temporary, target, problem);
}

RecordProblem WriteFileWhole(const std::filesystem::path& target,
                             std::span<const unsigned char> bytes) {
    const fs::path temporary = TemporaryPathFor(target);
    platform::StdioFile out = platform::OpenStdioFile(temporary, "wb");
    if (!out) {
        return RecordProblem::WriteFailed;
    }
    // An empty trace has no buffer to hand to fwrite.
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
    const bool closed = std::fclose(out.release()) == 0;
    return Finish(temporary, target,
                  written && closed ? RecordProblem::None : RecordProblem::WriteFailed);
}

}  // namespace marulo::archive
