// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RunRecovery.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>
#include <system_error>

#include "acquisition/CaptureFormat.h"
#include "acquisition/Recorder.h"
#include "acquisition/WavFileWriter.h"
#include "archive/RecordName.h"
#include "platform/FileSync.h"

namespace marulo::session {

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr std::string_view kNameKey = "Name=";
constexpr std::string_view kEdcKey = "EDC=";
constexpr std::string_view kStartKey = "Start=";

std::uintmax_t FileSize(const fs::path& file) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    return error ? 0 : size;
}

// Cuts the audio to whole sample frames and writes the header for exactly what the file holds
// (the header on disk may be up to a second behind). Gives the number of audio bytes.
std::uintmax_t RepairWav(const fs::path& file) {
    const platform::WaveFormat& format = acquisition::CaptureFormat();
    const std::uintmax_t size = FileSize(file);
    if (size < acquisition::kWavHeaderBytes) {
        return 0;
    }
    std::uintmax_t audio = size - acquisition::kWavHeaderBytes;
    audio -= audio % format.blockAlign;
    audio = std::min<std::uintmax_t>(audio, 0xFFFFFFFFu - 36u);
    std::error_code error;
    fs::resize_file(file, acquisition::kWavHeaderBytes + audio, error);
    const auto header = acquisition::WavHeader(format, static_cast<std::uint32_t>(audio));
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    return audio;
}

// The files a run left: its audio and trace, or the archive they were packed into.
struct LeftRun {
    fs::path audio;
    fs::path trace;
    fs::path archive;
};

platform::LocalTime RunEnd(const RunProfile& profile, std::uintmax_t audioBytes) {
    const auto length =
        milliseconds(audioBytes * 1000 / acquisition::CaptureFormat().averageBytesPerSecond);
    return platform::LocalTimeAt(profile.start + length);
}

// Brings the audio and trace into the shape a finished run leaves them and gives the time of
// the last audio; a run with less than one block of audio is removed and gives nothing.
std::optional<platform::LocalTime> PrepareAudio(const RunProfile& profile, const LeftRun& left) {
    std::error_code error;
    const std::uintmax_t audio = RepairWav(left.audio);
    if (audio < acquisition::kBlockBytes) {
        fs::remove(left.audio, error);
        fs::remove(left.trace, error);
        return std::nullopt;
    }
    if (!fs::exists(left.trace, error)) {
        // Cut short before the trace was made: the record has no rates yet.
        std::ofstream(left.trace, std::ios::binary);
    }
    const auto trace = FileSize(left.trace);
    fs::resize_file(left.trace, trace - trace % 4, error);
    return RunEnd(profile, audio);
}

// A packed run's end: its start plus the audio the archive holds.
platform::LocalTime ArchiveEnd(const RunProfile& profile, const fs::path& archive) {
    return RunEnd(profile, ArchivedAudioBytes(archive).value_or(0));
}

}  // namespace

bool WriteRunMarker(const fs::path& file, const RunProfile& profile) {
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << kNameKey << profile.name << '\n'
            << kEdcKey << profile.edcText << '\n'
            << kStartKey
            << std::chrono::duration_cast<milliseconds>(profile.start.time_since_epoch()).count()
            << '\n';
        if (!out.flush()) {
            return false;
        }
    }
    return platform::SyncFile(file);
}

std::optional<RunProfile> ReadRunMarker(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string name;
    std::string edc;
    std::string start;
    if (!std::getline(in, name) || !std::getline(in, edc) || !std::getline(in, start) ||
        !name.starts_with(kNameKey) || !edc.starts_with(kEdcKey) || !start.starts_with(kStartKey)) {
        return std::nullopt;
    }
    long long startMilliseconds = 0;
    try {
        std::size_t used = 0;
        startMilliseconds = std::stoll(start.substr(kStartKey.size()), &used);
        if (used != start.size() - kStartKey.size()) {
            return std::nullopt;
        }
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return RunProfile{name.substr(kNameKey.size()), edc.substr(kEdcKey.size()),
                      std::chrono::system_clock::time_point(milliseconds(startMilliseconds))};
}

RecoveryOutcome RecoverInterruptedRun(const fs::path& workFolder) {
    const fs::path marker = workFolder / kRunMarkerFile;
    const std::optional<RunProfile> profile = ReadRunMarker(marker);
    std::error_code error;
    if (!profile) {
        // An unreadable marker names nothing; the files stay as a review's would.
        fs::remove(marker, error);
        return {};
    }
    const LeftRun left{workFolder / acquisition::kWorkingWavFile,
                       workFolder / acquisition::kWorkingTraceFile,
                       workFolder / acquisition::kWorkingArchive};
    RecoveryOutcome outcome{RecoveryResult::Stored, {}};
    if (fs::exists(left.audio, error)) {
        const std::optional<platform::LocalTime> end = PrepareAudio(*profile, left);
        if (!end) {
            fs::remove(marker, error);
            return {RecoveryResult::Discarded, {}};
        }
        acquisition::PackRunFiles(left.archive, left.audio, left.trace);
        outcome.store = StoreFinishedRun(workFolder, left.archive, left.audio, left.trace,
                                         profile->name, profile->edcText, *end);
    } else {
        // Cut short between packing and storing: the archive is whole.
        outcome.store = StoreWorkingArchive(workFolder, left.archive, profile->name,
                                            profile->edcText, ArchiveEnd(*profile, left.archive));
        if (outcome.store.result == StoreResult::NothingToStore) {
            outcome.result = RecoveryResult::NothingLeft;
        }
    }
    SettleRunMarker(marker, outcome.store);
    return outcome;
}

void RemoveLeftoversOfKilledWork(const fs::path& workFolder) {
    std::error_code error;
    // Only files: a folder in such a place was put there by someone, not by killed work.
    const auto removeFile = [&error](const fs::path& file) {
        if (fs::is_regular_file(fs::symlink_status(file, error))) {
            fs::remove(file, error);
        }
    };
    for (const char* working : {acquisition::kWorkingWavFile, acquisition::kWorkingTraceFile}) {
        removeFile(workFolder / (std::string(working) + ".part"));
    }
    const std::string packingPrefix = std::string(acquisition::kWorkingArchive) + ".";
    for (const auto& entry : fs::directory_iterator(workFolder, error)) {
        const std::string file = entry.path().filename().string();
        if (file.size() == packingPrefix.size() + 6 && file.starts_with(packingPrefix)) {
            removeFile(entry.path());
        }
    }
    for (const auto& entry : fs::directory_iterator(workFolder / archive::RecordFolder, error)) {
        if (entry.path().extension() == kStoringSuffix) {
            removeFile(entry.path());
        }
    }
    if (!fs::exists(workFolder / acquisition::kWorkingWavFile, error) &&
        !fs::exists(workFolder / kRunMarkerFile, error)) {
        removeFile(workFolder / acquisition::kWorkingTraceFile);
    }
}

std::vector<fs::path> StoreKeptAsideRuns(const fs::path& workFolder) {
    std::vector<fs::path> markers;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(workFolder, error)) {
        const fs::path file = entry.path().filename();
        if (file.string().starts_with(kUnsavedPrefix) &&
            file.extension() == kKeptAsideMarkerExtension) {
            markers.push_back(workFolder / file);
        }
    }
    std::sort(markers.begin(), markers.end());
    std::vector<fs::path> stored;
    for (const fs::path& marker : markers) {
        const std::optional<RunProfile> profile = ReadRunMarker(marker);
        if (!profile) {
            continue;
        }
        const auto kept = [&](const char* extension) {
            return fs::path(marker).replace_extension(extension);
        };
        const LeftRun left{kept(".wav"), kept(".hr"), kept(".zip")};
        std::optional<platform::LocalTime> end;
        if (fs::exists(left.audio, error)) {
            end = PrepareAudio(*profile, left);
            if (end && !acquisition::PackRunFiles(left.archive, left.audio, left.trace)) {
                continue;  // still no room to pack it
            }
        } else if (fs::exists(left.archive, error)) {
            end = ArchiveEnd(*profile, left.archive);
        }
        if (end) {
            platform::SyncFile(left.archive);
            const auto record = MoveIntoRecordFolder(workFolder, left.archive, profile->name,
                                                     profile->edcText, *end);
            if (!record) {
                continue;
            }
            stored.push_back(*record);
        }
        fs::remove(marker, error);
    }
    return stored;
}

}  // namespace marulo::session
