// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/RunRecovery.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <span>
#include <string_view>
#include <system_error>
#include <utility>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/Recorder.h"
#include "archive/RecordArchive.h"
#include "archive/RecordName.h"
#include "platform/FileSync.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"

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
    const recordformat::WaveFormat& format = acquisition::CaptureFormat();
    const std::uintmax_t size = FileSize(file);
    if (size < recordformat::kWavHeaderBytes) {
        return 0;
    }
    std::uintmax_t audio = size - recordformat::kWavHeaderBytes;
    audio -= audio % format.blockAlign;
    audio = std::min<std::uintmax_t>(audio, 0xFFFFFFFFu - 36u);
    std::error_code error;
    fs::resize_file(file, recordformat::kWavHeaderBytes + audio, error);
    const auto header = recordformat::WavHeader(format, static_cast<std::uint32_t>(audio));
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    return audio;
}

// The files a run left under one stem: its audio and trace, or the archive they were packed
// into, and its marker.
struct LeftRun {
    fs::path audio;
    fs::path trace;
    fs::path archive;
    fs::path marker;
};

LeftRun WorkingRun(const fs::path& workFolder) {
    return {workFolder / acquisition::kWorkingWavFile, workFolder / acquisition::kWorkingTraceFile,
            workFolder / acquisition::kWorkingArchive, workFolder / kRunMarkerFile};
}

LeftRun KeptRun(const fs::path& stem) {
    const auto kept = [&stem](const char* extension) { return fs::path(stem) += extension; };
    return {kept(".wav"), kept(".hr"), kept(".zip"), kept(kKeptAsideMarkerExtension)};
}

bool Exists(const fs::path& file) {
    std::error_code error;
    return fs::exists(fs::symlink_status(file, error));
}

platform::LocalTime RunEnd(const RunProfile& profile, std::uintmax_t audioBytes) {
    const auto length =
        milliseconds(audioBytes * 1000 / acquisition::CaptureFormat().averageBytesPerSecond);
    return platform::LocalTimeAt(profile.start + length);
}

// Replays the audio through a fresh detector and writes the rates a run of it reports.
void RebuildTrace(const fs::path& audio, const fs::path& trace) {
    std::ofstream out(trace, std::ios::binary | std::ios::trunc);
    acquisition::CaptureReplay replay(
        acquisition::CaptureReplay::Values::ReportedRates, [&out](std::int32_t rate) {
            const auto value = static_cast<std::uint32_t>(rate);
            const char bytes[] = {
                static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
            out.write(bytes, sizeof bytes);
        });
    std::ifstream in(audio, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(recordformat::kWavHeaderBytes));
    std::vector<char> piece(1 << 16);
    while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0) {
        replay.Feed(std::span(reinterpret_cast<const std::uint8_t*>(piece.data()),
                              static_cast<std::size_t>(in.gcount())));
    }
    out.flush();
    out.close();
    platform::SyncFile(trace);
}

// Brings the audio and trace into the shape a finished run leaves them and gives the time of
// the last audio; a run with less than one block of audio is removed and gives nothing. A trace
// that is missing, or too short for its audio to be opened with it (cut off by a kill), is made
// again from the audio.
std::optional<platform::LocalTime> PrepareAudio(const RunProfile& profile, const LeftRun& left) {
    std::error_code error;
    const std::uintmax_t audio = RepairWav(left.audio);
    if (audio < acquisition::kBlockBytes) {
        fs::remove(left.audio, error);
        fs::remove(left.trace, error);
        return std::nullopt;
    }
    const std::uintmax_t traceSeconds = FileSize(left.trace) / 4;
    if (!Exists(left.trace) ||
        archive::MaxAudioBytesForTrace(traceSeconds) < recordformat::kWavHeaderBytes + audio) {
        RebuildTrace(left.audio, left.trace);
    }
    const auto trace = FileSize(left.trace);
    fs::resize_file(left.trace, trace - trace % 4, error);
    return RunEnd(profile, audio);
}

// A packed run's end: its start plus the audio the archive holds.
platform::LocalTime ArchiveEnd(const RunProfile& profile, const fs::path& archive) {
    return RunEnd(profile, ArchivedAudioBytes(archive).value_or(0));
}

bool ArchiveHoldsTrace(const fs::path& archive) {
    platform::ZipReader zip;
    return zip.Open(archive) && zip.FindItem(acquisition::kWorkingTraceFile).has_value();
}

enum class Packing {
    Nothing,        // no audio, archive or trace
    Discarded,      // less than one block of audio, removed
    AlreadyStored,  // its archive was stored whole before a kill kept it from being removed
    Ready           // the archive holds the run, or, when it could not be packed, its files do
};

struct PackedRun {
    Packing packing = Packing::Nothing;
    platform::LocalTime end;
    fs::path record;  // for AlreadyStored
};

// Packs what a run left into its archive as a finished run would: from its audio when that is
// still there, else the archive it was packed into (whose files are then gone), else a trace
// alone (a record that shows its rates without sound).
PackedRun PackLeftRun(const fs::path& workFolder, const RunProfile& profile, const LeftRun& left) {
    std::error_code error;
    if (Exists(left.audio)) {
        const std::optional<platform::LocalTime> end = PrepareAudio(profile, left);
        if (!end) {
            return {Packing::Discarded, {}, {}};
        }
        acquisition::PackRunFiles(left.archive, left.audio, left.trace);
        return {Packing::Ready, *end, {}};
    }
    if (Exists(left.archive)) {
        // Killed after packing, before its files were removed: the archive holds them.
        if (ArchiveHoldsTrace(left.archive)) {
            fs::remove(left.trace, error);
        }
        if (auto record = StoredCopy(workFolder, left.archive, profile.name, profile.edcText)) {
            fs::remove(left.archive, error);
            return {Packing::AlreadyStored, {}, std::move(*record)};
        }
        return {Packing::Ready, ArchiveEnd(profile, left.archive), {}};
    }
    if (FileSize(left.trace) >= 4) {
        const std::uintmax_t seconds = FileSize(left.trace) / 4;
        const platform::LocalTime end =
            platform::LocalTimeAt(profile.start + std::chrono::seconds(seconds));
        platform::ZipWriter writer;
        if (writer.Create(left.archive) &&
            writer.AddFile(acquisition::kWorkingTraceFile, left.trace) && writer.Close()) {
            fs::remove(left.trace, error);
        } else {
            writer.Close();
            fs::remove(left.archive, error);
        }
        return {Packing::Ready, end, {}};
    }
    return {};
}

// A kept-aside stem ("Data-unsaved-<stamp>") and which of its files are there.
struct KeptStem {
    fs::path stem;
    bool audio = false;
    bool trace = false;
    bool archive = false;
    bool marker = false;
};

std::vector<KeptStem> KeptStems(const fs::path& workFolder) {
    std::vector<fs::path> stems;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(workFolder, error)) {
        const fs::path file = entry.path().filename();
        const fs::path extension = file.extension();
        if (file.string().starts_with(kUnsavedPrefix) &&
            (extension == ".wav" || extension == ".hr" || extension == ".zip" ||
             extension == kKeptAsideMarkerExtension)) {
            stems.push_back(workFolder / fs::path(file).replace_extension());
        }
    }
    std::sort(stems.begin(), stems.end());
    stems.erase(std::unique(stems.begin(), stems.end()), stems.end());
    std::vector<KeptStem> kept;
    for (const fs::path& stem : stems) {
        const LeftRun run = KeptRun(stem);
        kept.push_back(
            {stem, Exists(run.audio), Exists(run.trace), Exists(run.archive), Exists(run.marker)});
    }
    return kept;
}

void Move(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (!Exists(to)) {
        fs::rename(from, to, error);
    }
}

// Puts together a run that a kill caught while it was being kept aside: its marker goes first,
// then its audio or archive, then its trace; whatever lies on either side is joined again. An
// older order (the recording before its marker) is joined the same way.
void JoinHalfKeptRun(const fs::path& workFolder) {
    const LeftRun working = WorkingRun(workFolder);
    const bool recording = Exists(working.audio) || Exists(working.archive);
    const std::vector<KeptStem> stems = KeptStems(workFolder);
    const auto newest = [&stems](auto&& fits) -> const KeptStem* {
        const auto found = std::find_if(stems.rbegin(), stems.rend(), fits);
        return found == stems.rend() ? nullptr : &*found;
    };
    if (!Exists(working.marker)) {
        if (recording) {
            // Only the marker went: it comes back, and the run is recovered as it lay.
            if (const KeptStem* alone = newest([](const KeptStem& kept) {
                    return kept.marker && !kept.audio && !kept.archive && !kept.trace;
                })) {
                Move(KeptRun(alone->stem).marker, working.marker);
            }
        } else if (Exists(working.trace)) {
            // The audio went, its trace had not followed.
            if (const KeptStem* half = newest([](const KeptStem& kept) {
                    return kept.marker && kept.audio && !kept.trace && !kept.archive;
                })) {
                Move(working.trace, KeptRun(half->stem).trace);
            }
        }
        return;
    }
    if (!recording) {
        if (const KeptStem* unmarked = newest([](const KeptStem& kept) {
                return !kept.marker && (kept.audio || kept.archive);
            })) {
            const LeftRun kept = KeptRun(unmarked->stem);
            Move(working.marker, kept.marker);
            if (!unmarked->trace && !unmarked->archive) {
                Move(working.trace, kept.trace);
            }
        }
    }
}

// A packing temporary of the archive library: "<archive>.XXXXXX".
bool IsPackingTemporary(const std::string& file, const std::string& archive) {
    return file.size() == archive.size() + 7 && file.starts_with(archive + ".");
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
    const LeftRun left = WorkingRun(workFolder);
    const std::optional<RunProfile> profile = ReadRunMarker(left.marker);
    std::error_code error;
    if (!profile) {
        // An unreadable marker names nothing; the files stay as a review's would.
        fs::remove(left.marker, error);
        return {};
    }
    const PackedRun packed = PackLeftRun(workFolder, *profile, left);
    RecoveryOutcome outcome{RecoveryResult::Stored, {}};
    switch (packed.packing) {
        case Packing::Nothing:
            outcome.result = RecoveryResult::NothingLeft;
            break;
        case Packing::Discarded:
            fs::remove(left.marker, error);
            return {RecoveryResult::Discarded, {}};
        case Packing::AlreadyStored:
            outcome.store = {StoreResult::Stored, packed.record};
            break;
        case Packing::Ready:
            outcome.store = StoreFinishedRun(workFolder, left.archive, left.audio, left.trace,
                                             profile->name, profile->edcText, packed.end);
            if (outcome.store.result == StoreResult::NothingToStore) {
                // A trace alone that could not be packed stays with its marker.
                outcome.store = {StoreResult::LeftInPlace, left.trace};
            }
            break;
    }
    SettleRunMarker(left.marker, outcome.store);
    return outcome;
}

void RemoveLeftoversOfKilledWork(const fs::path& workFolder) {
    JoinHalfKeptRun(workFolder);
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
    for (const auto& entry : fs::directory_iterator(workFolder, error)) {
        const std::string file = entry.path().filename().string();
        if (IsPackingTemporary(file, acquisition::kWorkingArchive)) {
            removeFile(entry.path());
        } else if (file.starts_with(kUnsavedPrefix)) {
            const auto zip = file.find(".zip.");
            if (zip != std::string::npos && IsPackingTemporary(file, file.substr(0, zip + 4))) {
                removeFile(entry.path());
            }
        }
    }
    for (const auto& entry : fs::directory_iterator(workFolder / archive::RecordFolder, error)) {
        if (entry.path().extension() == kStoringSuffix) {
            removeFile(entry.path());
        }
    }
    if (!Exists(workFolder / acquisition::kWorkingWavFile) &&
        !Exists(workFolder / kRunMarkerFile)) {
        removeFile(workFolder / acquisition::kWorkingTraceFile);
    }
}

std::vector<fs::path> StoreKeptAsideRuns(const fs::path& workFolder) {
    std::vector<fs::path> stored;
    std::error_code error;
    for (const KeptStem& kept : KeptStems(workFolder)) {
        const LeftRun left = KeptRun(kept.stem);
        const std::optional<RunProfile> profile =
            kept.marker ? ReadRunMarker(left.marker) : std::nullopt;
        if (!profile) {
            continue;  // nothing names its record; it stays as it is
        }
        const PackedRun packed = PackLeftRun(workFolder, *profile, left);
        if (packed.packing == Packing::AlreadyStored) {
            stored.push_back(packed.record);
        } else if (packed.packing == Packing::Ready) {
            if (!Exists(left.archive)) {
                continue;  // still no room to pack it
            }
            platform::SyncFile(left.archive);
            const auto record = MoveIntoRecordFolder(workFolder, left.archive, profile->name,
                                                     profile->edcText, packed.end);
            if (!record) {
                continue;
            }
            stored.push_back(*record);
        }
        fs::remove(left.marker, error);
    }
    return stored;
}

}  // namespace marulo::session
