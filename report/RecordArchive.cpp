// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/RecordArchive.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <system_error>

#include "archive/RecordFiles.h"
#include "platform/WavReader.h"
#include "platform/Zip.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace marulo::report {

namespace {

QString QtPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

// Index of the first item with exactly this top-level name, -1 when there is none.
int FirstItemNamed(const platform::ZipReader& zip, const std::string& name) {
    for (int index = 0; index < zip.ItemCount(); ++index) {
        if (zip.ItemName(index) == name) {
            return index;
        }
    }
    return -1;
}

// Puts the written bytes on the disk before the rename makes them the target.
void FlushToDisk(const std::filesystem::path& file) {
#if !defined(_WIN32)
    const int descriptor = ::open(file.c_str(), O_RDONLY);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
#else
    (void)file;
#endif
}

}  // namespace

std::optional<ArchivedRecord> ReadArchivedRecord(const std::filesystem::path& archive,
                                                 std::string& error) {
    platform::ZipReader zip;
    if (!zip.Open(archive)) {
        error = "not a readable record archive";
        return std::nullopt;
    }
    const int traceItem = FirstItemNamed(zip, archive::kLoadedTraceFile);
    if (traceItem < 0) {
        error = "the archive holds no heart-rate trace (Data.hr)";
        return std::nullopt;
    }
    ArchivedRecord record;
    record.hasAudio = FirstItemNamed(zip, archive::kLoadedAudioFile) >= 0;
    if (!record.hasAudio) {
        error = "the archive holds no audio (Data.wav)";
        return std::nullopt;
    }
    const QTemporaryDir scratch;
    if (!scratch.isValid()) {
        error = "cannot make a temporary folder";
        return std::nullopt;
    }
    const std::filesystem::path unpacked = FsPath(scratch.filePath("trace"));
    if (!zip.ExtractItemToFile(traceItem, unpacked)) {
        error = "the heart-rate trace (Data.hr) cannot be unpacked";
        return std::nullopt;
    }
    std::error_code sizeError;
    const auto bytes = std::filesystem::file_size(unpacked, sizeError);
    if (sizeError || bytes > static_cast<std::uintmax_t>(kMaxTraceSeconds) * 4) {
        error = "the heart-rate trace (Data.hr) is longer than any recording";
        return std::nullopt;
    }
    record.trace = archive::ReadTrace(unpacked);
    return record;
}

bool SaveArchivedAudio(const std::filesystem::path& archive, const std::filesystem::path& target,
                       std::string& error) {
    platform::ZipReader zip;
    if (!zip.Open(archive)) {
        error = "not a readable record archive";
        return false;
    }
    const int audioItem = FirstItemNamed(zip, archive::kLoadedAudioFile);
    if (audioItem < 0) {
        error = "the archive holds no audio (Data.wav)";
        return false;
    }
    return WriteThroughTemporary(
        target,
        [&](const std::filesystem::path& temporary, std::string& writeError) {
            if (!zip.ExtractItemToFile(audioItem, temporary)) {
                writeError = "the audio (Data.wav) cannot be unpacked";
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
    FlushToDisk(temporary);
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
