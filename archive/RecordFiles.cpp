// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordFiles.h"

#include <system_error>

namespace marulo::archive {

namespace {

void RemoveWorkingFiles(const std::filesystem::path& workFolder) {
    std::error_code ignored;
    std::filesystem::remove(workFolder / kLoadedAudioFile, ignored);
    std::filesystem::remove(workFolder / kLoadedTraceFile, ignored);
}

LoadedRecord Failed(const std::filesystem::path& workFolder, RecordProblem problem) {
    RemoveWorkingFiles(workFolder);
    LoadedRecord record;
    record.problem = problem;
    return record;
}

bool Stopped(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

}  // namespace

LoadedRecord UnpackRecord(const std::filesystem::path& archive,
                          const std::filesystem::path& workFolder, const std::atomic<bool>* stop) {
    RemoveWorkingFiles(workFolder);
    const std::filesystem::path audioFile = workFolder / kLoadedAudioFile;
    const std::filesystem::path traceFile = workFolder / kLoadedTraceFile;
    RecordArchive record;
    if (const RecordProblem problem = record.Open(archive); problem != RecordProblem::None) {
        return Failed(workFolder, problem);
    }
    if (!record.HasAudio() && !record.HasTrace()) {
        return Failed(workFolder, RecordProblem::Unreadable);
    }

    LoadedRecord loaded;
    if (record.HasTrace()) {
        std::vector<unsigned char> bytes;
        if (const RecordProblem problem = record.ReadTraceBytes(bytes);
            problem != RecordProblem::None) {
            return Failed(workFolder, problem);
        }
        if (Stopped(stop)) {
            return Failed(workFolder, RecordProblem::Cancelled);
        }
        if (const RecordProblem problem = WriteFileWhole(traceFile, bytes);
            problem != RecordProblem::None) {
            return Failed(workFolder, problem);
        }
        loaded.files.tracePath = traceFile.string();
        loaded.trace = recordformat::TraceFromBytes(bytes);
    } else {
        loaded.problem = RecordProblem::NoTrace;
    }

    if (record.HasAudio()) {
        // Unpacking stops where a real record's audio must have ended, whatever the archive
        // declares; a record without a trace has nothing to measure it by.
        const std::uint64_t maxAudio =
            record.HasTrace() ? MaxAudioBytesForTrace(loaded.trace.size()) : kMaxAudioBytes;
        RecordProblem problem = record.ExtractAudio(audioFile, stop, maxAudio);
        if (problem == RecordProblem::TooLarge && record.HasTrace()) {
            problem = RecordProblem::Unreadable;
        }
        if (problem != RecordProblem::None) {
            return Failed(workFolder, problem);
        }
        loaded.files.audioPath = audioFile.string();
    } else {
        loaded.problem = RecordProblem::NoAudio;
    }
    return loaded;
}

}  // namespace marulo::archive
