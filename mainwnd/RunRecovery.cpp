// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/RunRecovery.h"

#include <cstdio>
#include <fstream>
#include <string_view>
#include <system_error>

#include "acquisition/CaptureFormat.h"
#include "acquisition/Recorder.h"
#include "acquisition/WavFileWriter.h"
#include "platform/FileSync.h"

namespace marulo::mainwnd {

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

void RemoveRun() {
    std::error_code ignored;
    fs::remove(acquisition::kWorkingWavFile, ignored);
    fs::remove(acquisition::kWorkingTraceFile, ignored);
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

RecoveryOutcome RecoverInterruptedRun() {
    const std::optional<RunProfile> profile = ReadRunMarker(kRunMarkerFile);
    std::error_code error;
    if (!profile) {
        // An unreadable marker names nothing; the files stay as a review's would.
        fs::remove(kRunMarkerFile, error);
        return {};
    }
    RecoveryOutcome outcome;
    outcome.result = RecoveryResult::Stored;
    if (fs::exists(acquisition::kWorkingWavFile, error)) {
        const std::uintmax_t audio = RepairWav(acquisition::kWorkingWavFile);
        if (audio < acquisition::kBlockBytes) {
            RemoveRun();
            fs::remove(kRunMarkerFile, error);
            return {RecoveryResult::Discarded, {}};
        }
        if (!fs::exists(acquisition::kWorkingTraceFile, error)) {
            // Cut short before the trace was made: the record has no rates yet.
            std::ofstream(acquisition::kWorkingTraceFile, std::ios::binary);
        }
        const auto trace = FileSize(acquisition::kWorkingTraceFile);
        fs::resize_file(acquisition::kWorkingTraceFile, trace - trace % 4, error);
        const auto length =
            milliseconds(audio * 1000 / acquisition::CaptureFormat().averageBytesPerSecond);
        const platform::LocalTime end = platform::LocalTimeAt(profile->start + length);
        acquisition::PackWorkingFiles();
        outcome.store =
            StoreFinishedRun(acquisition::kWorkingArchive, acquisition::kWorkingWavFile,
                             acquisition::kWorkingTraceFile, profile->name, profile->edcText, end);
    } else {
        // Cut short between packing and storing: the archive is whole.
        const auto written = fs::last_write_time(acquisition::kWorkingArchive, error);
        const auto end =
            error ? std::chrono::system_clock::now() : std::chrono::file_clock::to_sys(written);
        outcome.store = StoreWorkingArchive(acquisition::kWorkingArchive, profile->name,
                                            profile->edcText, platform::LocalTimeAt(end));
        if (outcome.store.result == StoreResult::NothingToStore) {
            outcome.result = RecoveryResult::NothingLeft;
        }
    }
    if (outcome.store.result != StoreResult::LeftInPlace) {
        fs::remove(kRunMarkerFile, error);
    }
    return outcome;
}

}  // namespace marulo::mainwnd
