// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ExportFiles.h"

#include <QFile>
#include <QString>
#include <QTemporaryFile>
#include <system_error>

#include "archive/RecordArchive.h"
#include "platform/FileSync.h"
#include "platform/WavReader.h"

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
                       std::string& error) {
    archive::RecordArchive stored;
    archive::RecordProblem problem = stored.Open(archive);
    if (problem == archive::RecordProblem::None && !stored.HasAudio()) {
        problem = archive::RecordProblem::NoAudio;
    }
    if (problem != archive::RecordProblem::None) {
        error = ProblemText(problem);
        return false;
    }
    return WriteThroughTemporary(
        target,
        [&](const std::filesystem::path& temporary, std::string& writeError) {
            if (const auto extracted = stored.ExtractAudio(temporary);
                extracted != archive::RecordProblem::None) {
                writeError = ProblemText(extracted);
                return false;
            }
            std::string wavError;
            if (!platform::ReadWavFormat(temporary, wavError)) {
                writeError = "the audio (Data.wav) is not a readable WAV file";
                return false;
            }
            return true;
        },
        error);
}

bool WriteThroughTemporary(
    const std::filesystem::path& target,
    const std::function<bool(const std::filesystem::path& temporary, std::string& error)>& write,
    std::string& error) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    QTemporaryFile temporaryFile(QtPath(folder / ("." + target.filename().string() + ".XXXXXX")));
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
    std::filesystem::rename(temporary, target, renameError);
    if (renameError) {
        error = "cannot replace " + target.string() + ": " + renameError.message();
        return false;
    }
    temporaryFile.setAutoRemove(false);
    return true;
}

}  // namespace marulo::report
