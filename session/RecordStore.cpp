// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RecordStore.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "archive/RecordEvents.h"
#include "archive/RecordName.h"
#include "platform/FileSync.h"
#include "platform/WorkingFiles.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"

namespace marulo::session {

namespace {

namespace fs = std::filesystem;

// A rename cannot cross file systems (a record folder that is a mount or a link to one): the
// file is written whole into the target's folder under a temporary name, put on the disk and
// renamed there, so the folder never shows a part of it under a record name.
bool CopyAcross(const fs::path& from, const fs::path& to) {
    fs::path temporary = to;
    temporary += kStoringSuffix;
    std::error_code error;
    fs::remove(temporary, error);
    if (!fs::copy_file(from, temporary, error) || !platform::SyncFile(temporary) ||
        fs::exists(to, error)) {
        fs::remove(temporary, error);
        return false;
    }
    fs::rename(temporary, to, error);
    if (error) {
        fs::remove(temporary, error);
        return false;
    }
    platform::SyncFolder(to.parent_path());
    fs::remove(from, error);
    return true;
}

// Moves without ever replacing an existing file; the folder entry reaches the disk.
bool MoveToFreeName(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (fs::exists(to, error)) {
        return false;
    }
    fs::rename(from, to, error);
    if (error == std::errc::cross_device_link) {
        return CopyAcross(from, to);
    }
    if (error) {
        return false;
    }
    platform::SyncFolder(to.parent_path());
    return true;
}

bool SameBytes(const fs::path& a, const fs::path& b) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(a, error);
    if (error || fs::file_size(b, error) != size || error) {
        return false;
    }
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    std::vector<char> one(1 << 16);
    std::vector<char> two(one.size());
    while (first && second) {
        first.read(one.data(), static_cast<std::streamsize>(one.size()));
        second.read(two.data(), static_cast<std::streamsize>(two.size()));
        if (first.gcount() != second.gcount() ||
            !std::equal(one.begin(), one.begin() + first.gcount(), two.begin())) {
            return false;
        }
    }
    return first.eof() && second.eof();
}

// Puts the work folder's run marker beside what is about to be kept under the stem, before it
// moves there: the stem is then claimed and names its run at every step.
void MarkerGoesFirst(const fs::path& workFolder, const fs::path& stem) {
    const fs::path marker = workFolder / kRunMarkerFile;
    std::error_code error;
    if (fs::exists(marker, error)) {
        MoveToFreeName(marker, fs::path(stem) += kKeptAsideMarkerExtension);
    }
}

// After a failed move the marker goes back beside the working files it names.
void MarkerComesBack(const fs::path& workFolder, const fs::path& stem) {
    const fs::path kept = fs::path(stem) += kKeptAsideMarkerExtension;
    std::error_code error;
    if (fs::exists(kept, error)) {
        MoveToFreeName(kept, workFolder / kRunMarkerFile);
    }
}

// "Data-unsaved-<stamp>", or with "-2", "-3" ... when any file of that stem exists: a stem holds
// one kept run (its archive, or its audio and trace, and its marker), so a marker never names
// another run's files.
fs::path FreeUnsavedStem(const fs::path& workFolder, const platform::LocalTime& storedAt) {
    const fs::path base =
        workFolder / (std::string(kUnsavedPrefix) + archive::FormatRecordStamp(storedAt));
    const auto taken = [](const fs::path& stem) {
        std::error_code error;
        for (const char* extension : {".zip", ".wav", ".hr", kKeptAsideMarkerExtension}) {
            if (fs::exists(fs::path(stem) += extension, error)) {
                return true;
            }
        }
        return false;
    };
    fs::path stem = base;
    for (int number = 2; taken(stem); ++number) {
        stem = fs::path(base) += "-" + std::to_string(number);
    }
    return stem;
}

// The audio a finished run left, packed or not.
std::optional<std::uint64_t> RunAudioBytes(const fs::path& archive, const fs::path& audio) {
    std::error_code error;
    if (fs::exists(archive, error)) {
        return ArchivedAudioBytes(archive);
    }
    const std::uintmax_t size = fs::file_size(audio, error);
    if (error) {
        return std::nullopt;
    }
    return recordformat::WavAudioBytes(size);
}

// False when the archive was there to take them and they could not be written.
bool AddRunMarks(const fs::path& archive, const RunMarks& marks) {
    if (marks.seconds.empty() || marks.traceSeconds == 0) {
        return marks.seconds.empty();
    }
    std::vector<std::uint32_t> seconds = marks.seconds;
    for (std::uint32_t& second : seconds) {
        second = std::min(second, marks.traceSeconds - 1);
    }
    archive::RecordEvents events;
    events.marks = archive::TidyMarks(std::move(seconds), marks.traceSeconds);
    return archive::WriteRecordEvents(archive, events) == archive::EventsProblem::None;
}

}  // namespace

std::optional<fs::path> MoveIntoRecordFolder(const fs::path& workFolder, const fs::path& archive,
                                             std::string_view name, std::string_view edcText,
                                             const platform::LocalTime& storedAt) {
    if (archive::CheckRecordName(name, edcText) != archive::NameProblem::None) {
        return std::nullopt;
    }
    std::error_code error;
    fs::create_directories(workFolder / archive::RecordFolder, error);
    const fs::path target = archive::NextFreeRecordPath(workFolder, name, edcText, storedAt);
    if (!MoveToFreeName(archive, target)) {
        return std::nullopt;
    }
    return target;
}

void SettleRunMarker(const fs::path& marker, const StoreOutcome& outcome) {
    std::error_code error;
    if (outcome.result == StoreResult::KeptAside) {
        fs::path kept = outcome.path;
        kept.replace_extension(kKeptAsideMarkerExtension);
        if (MoveToFreeName(marker, kept)) {
            return;
        }
    }
    if (outcome.result != StoreResult::LeftInPlace) {
        fs::remove(marker, error);
    }
}

StoreOutcome StoreWorkingArchive(const fs::path& workFolder, const fs::path& archive,
                                 std::string_view name, std::string_view edcText,
                                 const platform::LocalTime& storedAt) {
    std::error_code error;
    if (!fs::is_regular_file(archive, error)) {
        return {StoreResult::NothingToStore, {}};
    }
    platform::SyncFile(archive);
    if (const auto target = MoveIntoRecordFolder(workFolder, archive, name, edcText, storedAt)) {
        return {StoreResult::Stored, *target};
    }
    const fs::path stem = FreeUnsavedStem(workFolder, storedAt);
    const fs::path aside = fs::path(stem) += ".zip";
    MarkerGoesFirst(workFolder, stem);
    if (MoveToFreeName(archive, aside)) {
        return {StoreResult::KeptAside, aside};
    }
    MarkerComesBack(workFolder, stem);
    return {StoreResult::LeftInPlace, archive};
}

StoreOutcome KeepWorkingFilesAside(const fs::path& workFolder, const fs::path& audio,
                                   const fs::path& trace, const platform::LocalTime& storedAt) {
    std::error_code error;
    if (!fs::is_regular_file(audio, error)) {
        return {StoreResult::NothingToStore, {}};
    }
    platform::SyncFile(audio);
    platform::SyncFile(trace);
    const fs::path stem = FreeUnsavedStem(workFolder, storedAt);
    const fs::path keptAudio = fs::path(stem) += ".wav";
    MarkerGoesFirst(workFolder, stem);
    if (!MoveToFreeName(audio, keptAudio)) {
        MarkerComesBack(workFolder, stem);
        return {StoreResult::LeftInPlace, audio};
    }
    if (fs::exists(trace, error)) {
        MoveToFreeName(trace, fs::path(stem) += ".hr");
    }
    return {StoreResult::KeptAside, keptAudio};
}

std::optional<std::uint64_t> ArchivedAudioBytes(const fs::path& archive) {
    platform::ZipReader zip;
    if (!zip.Open(archive)) {
        return std::nullopt;
    }
    const auto item = zip.FindItem(platform::kWorkingWavFile);
    const auto size = item ? zip.DeclaredSize(*item) : std::nullopt;
    if (!size) {
        return std::nullopt;
    }
    return recordformat::WavAudioBytes(*size);
}

std::optional<fs::path> StoredCopy(const fs::path& workFolder, const fs::path& archive,
                                   std::string_view name, std::string_view edcText) {
    const fs::path folder = workFolder / archive::RecordFolder;
    for (const std::string& bare : archive::ListRecordFiles(folder, name, edcText)) {
        const fs::path record = folder / bare;
        if (SameBytes(archive, record)) {
            return record;
        }
    }
    return std::nullopt;
}

StoreOutcome StoreFinishedRun(const fs::path& workFolder, const fs::path& archive,
                              const fs::path& audio, const fs::path& trace, std::string_view name,
                              std::string_view edcText, const platform::LocalTime& storedAt,
                              const RunMarks& marks) {
    // Only what can be read as too short is removed; anything else is kept as it is.
    const std::optional<std::uint64_t> audioBytes = RunAudioBytes(archive, audio);
    if (audioBytes && *audioBytes < acquisition::kBlockBytes) {
        std::error_code error;
        fs::remove(archive, error);
        fs::remove(audio, error);
        fs::remove(trace, error);
        return {StoreResult::Discarded, {}};
    }
    std::error_code error;
    const bool marksWritten = fs::is_regular_file(archive, error) && AddRunMarks(archive, marks);
    StoreOutcome stored = StoreWorkingArchive(workFolder, archive, name, edcText, storedAt);
    if (stored.result == StoreResult::NothingToStore) {
        stored = KeepWorkingFilesAside(workFolder, audio, trace, storedAt);
    }
    stored.marksLost =
        !marks.seconds.empty() && !marksWritten && stored.result != StoreResult::NothingToStore;
    return stored;
}

}  // namespace marulo::session
