// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ExportFiles.h"

#include <QFile>
#include <QString>
#include <QTemporaryFile>
#include <system_error>
#include <vector>

#include "archive/RecordArchive.h"
#include "platform/FileSync.h"
#include "platform/ZipStream.h"
#include "recordformat/WavReader.h"

namespace marulo::report {

namespace {

QString QtPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

std::string ProblemText(archive::RecordProblem problem) {
    switch (problem) {
        case archive::RecordProblem::None:
            return {};
        case archive::RecordProblem::Unreadable:
            return "not a readable record archive";
        case archive::RecordProblem::NoAudio:
            return "the archive holds no audio (Data.wav)";
        case archive::RecordProblem::NoTrace:
            return "the archive holds no heart-rate trace (Data.hr)";
        case archive::RecordProblem::TooLarge:
            return "an item of the archive is larger than any recording";
        case archive::RecordProblem::NoSpace:
            return "there is not enough free disk space for the audio";
        case archive::RecordProblem::Cancelled:
            return "stopped";
        case archive::RecordProblem::WriteFailed:
            return "the file cannot be written";
    }
    return "not a readable record archive";
}

bool IsUtf8(const std::filesystem::path& path) {
#ifdef _WIN32
    (void)path;
    return true;
#else
    const std::string& bytes = path.native();
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toUtf8() ==
           QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
#endif
}

// The file a path leads to once its symbolic links are followed; a link to nothing leads to the
// file it names.
std::optional<std::filesystem::path> FollowLinks(std::filesystem::path path, std::string& error) {
    constexpr int kMostLinks = 40;
    for (int link = 0; link < kMostLinks; ++link) {
        std::error_code linkError;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, linkError))) {
            return path;
        }
        const std::filesystem::path next = std::filesystem::read_symlink(path, linkError);
        if (linkError) {
            error = "cannot follow the link " + path.string() + ": " + linkError.message();
            return std::nullopt;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    error = path.string() + ": too many symbolic links";
    return std::nullopt;
}

}  // namespace

std::optional<ArchivedRecord> ReadArchivedRecord(const std::filesystem::path& archive,
                                                 std::string& error) {
    archive::RecordArchive stored;
    archive::RecordProblem problem = stored.Open(archive);
    if (problem == archive::RecordProblem::None && !stored.HasTrace()) {
        problem = archive::RecordProblem::NoTrace;
    }
    if (problem == archive::RecordProblem::None && !stored.HasAudio()) {
        problem = archive::RecordProblem::NoAudio;
    }
    ArchivedRecord record;
    if (problem == archive::RecordProblem::None) {
        problem = stored.ReadTrace(record.trace);
    }
    if (problem != archive::RecordProblem::None) {
        error = ProblemText(problem);
        return std::nullopt;
    }
    record.hasAudio = true;
    return record;
}

bool SaveArchivedAudio(const std::filesystem::path& archive, const std::filesystem::path& target,
                       std::string& error, ExportFailure* failure) {
    ExportFailure failedOn = ExportFailure::Output;
    const auto fail = [&](ExportFailure side) {
        if (failure != nullptr) {
            *failure = side;
        }
        return false;
    };
    archive::RecordArchive stored;
    archive::RecordProblem problem = stored.Open(archive);
    if (problem == archive::RecordProblem::None && !stored.HasAudio()) {
        problem = archive::RecordProblem::NoAudio;
    }
    std::vector<std::int32_t> trace;
    if (problem == archive::RecordProblem::None && stored.HasTrace()) {
        problem = stored.ReadTrace(trace);
    }
    if (problem != archive::RecordProblem::None) {
        error = ProblemText(problem);
        return fail(ExportFailure::Input);
    }
    const std::uint64_t maxBytes =
        stored.HasTrace() ? archive::MaxAudioBytesForTrace(trace.size()) : archive::kMaxAudioBytes;
    const bool written = WriteThroughTemporary(
        target,
        [&](const std::filesystem::path& temporary, std::string& writeError) {
            if (const auto extracted = stored.ExtractAudio(temporary, nullptr, maxBytes);
                extracted != archive::RecordProblem::None) {
                writeError = ProblemText(extracted);
                if (extracted != archive::RecordProblem::NoSpace &&
                    extracted != archive::RecordProblem::WriteFailed) {
                    failedOn = ExportFailure::Input;
                }
                return false;
            }
            std::string wavError;
            if (!recordformat::ReadWavFormat(temporary, wavError)) {
                writeError = "the audio (Data.wav) is not a readable WAV file";
                failedOn = ExportFailure::Input;
                return false;
            }
            return true;
        },
        error);
    return written ? true : fail(failedOn);
}

AudioScan ScanArchivedAudio(const std::filesystem::path& archive, std::uint64_t maxBytes) {
    std::string error;
    auto item = platform::ZipItemStream::Open(archive, "Data.wav", error);
    if (!item) {
        return {AudioState::Damaged, error};
    }
    const std::string name = archive.string() + ": Data.wav";
    auto wav = recordformat::WavStream::Open(*item, name, error);
    if (!wav) {
        return {AudioState::Damaged, error};
    }
    const auto tooLarge = [&name] {
        return AudioScan{AudioState::TooLarge,
                         name + ": the audio is longer than its trace allows (a damaged record)"};
    };
    std::vector<std::uint8_t> piece(std::size_t{1} << 16);
    std::uint64_t read = 0;
    for (std::size_t got = 0; (got = wav->ReadFrames(piece)) > 0;) {
        read += got;
        if (read > maxBytes) {
            return tooLarge();
        }
    }
    const bool endedShort = wav->EndedShort();
    // What follows the samples is read too: the archive checks an item's sum at its end.
    for (std::size_t got = 0; (got = item->Read(piece)) > 0;) {
        read += got;
        if (read > maxBytes) {
            return tooLarge();
        }
    }
    if (item->ChecksumFailed()) {
        return {AudioState::Damaged, name + ": its check sum does not match (damaged)"};
    }
    if (item->Failed()) {
        return {AudioState::Damaged, name + ": cannot be read to its end (damaged)"};
    }
    if (endedShort) {
        return {AudioState::Damaged,
                name + ": ends before the length its header declares (cut off)"};
    }
    return {};
}

bool WriteThroughTemporary(
    const std::filesystem::path& target,
    const std::function<bool(const std::filesystem::path& temporary, std::string& error)>& write,
    std::string& error) {
    if (!IsUtf8(target)) {
        error = "the path " + target.string() + " is no UTF-8 text; nothing was written";
        return false;
    }
    const std::optional<std::filesystem::path> file = FollowLinks(target, error);
    if (!file) {
        return false;
    }
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(*file, statusError);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        error = target.string() +
                " is no ordinary file (a device, a pipe or a folder); nothing was written";
        return false;
    }
    const std::filesystem::path folder =
        file->has_parent_path() ? file->parent_path() : std::filesystem::path(".");
    QTemporaryFile temporaryFile(QtPath(folder / ("." + file->filename().string() + ".XXXXXX")));
    if (!temporaryFile.open()) {
        error =
            "cannot write in " + folder.string() + ": " + temporaryFile.errorString().toStdString();
        return false;
    }
    temporaryFile.close();
    const std::filesystem::path temporary = FsPath(temporaryFile.fileName());
    std::string writeError;
    if (!write(temporary, writeError)) {
        error = writeError.empty() ? "cannot write " + target.string() : writeError;
        return false;  // the temporary file goes with its object
    }
    // The written bytes reach the disk before the rename makes them the target.
    platform::SyncFile(temporary);
    // A temporary file is private to its owner; the export is an ordinary file.
    QFile::setPermissions(temporaryFile.fileName(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
    std::error_code renameError;
    std::filesystem::rename(temporary, *file, renameError);
    if (renameError) {
        error = "cannot replace " + target.string() + ": " + renameError.message();
        return false;
    }
    temporaryFile.setAutoRemove(false);
    return true;
}

}  // namespace marulo::report
