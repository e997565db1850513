// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/RecordCheck.h"

#include <string>
#include <utility>

#include "acquisition/RecordedAudioCheck.h"
#include "platform/ByteSource.h"
#include "recordformat/WavReader.h"

namespace marulo::review {

std::optional<std::size_t> WavSeconds(const std::filesystem::path& audio) {
    platform::FileByteSource file(audio);
    std::string error;
    auto wav =
        file.IsOpen() ? recordformat::WavStream::Open(file, audio.string(), error) : std::nullopt;
    if (!wav || wav->Format().blockAlign == 0 || wav->Format().samplesPerSecond == 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> samples(std::size_t{1} << 16);
    std::uint64_t bytes = 0;
    for (std::size_t got = 0; (got = wav->ReadFrames(samples)) > 0;) {
        bytes += got;
    }
    if (wav->Failed()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(bytes / wav->Format().blockAlign /
                                    wav->Format().samplesPerSecond);
}

std::optional<RecordCheck> CheckRecord(const std::filesystem::path& audio,
                                       std::span<const std::int32_t> trace,
                                       const std::atomic<bool>* stop,
                                       const std::function<void(double)>& progress) {
    std::string error;
    std::size_t covered = trace.size();
    auto checks = acquisition::CheckRecordedAudio(audio, trace, error, stop, progress);
    if (!checks && (stop == nullptr || !stop->load())) {
        // The check refuses audio much shorter than its trace; the part there is still counts.
        const std::optional<std::size_t> seconds = WavSeconds(audio);
        if (seconds && *seconds > 0 && *seconds < trace.size()) {
            covered = *seconds;
            checks =
                acquisition::CheckRecordedAudio(audio, trace.first(covered), error, stop, progress);
        }
    }
    if (!checks || (stop != nullptr && stop->load())) {
        return std::nullopt;
    }
    RecordCheck found{report::CheckTrace(trace.size(), *checks), covered, covered < trace.size(),
                      std::move(*checks)};
    return found;
}

std::optional<std::vector<ratecheck::SecondCheck>> ReportChecks(
    const std::optional<RecordCheck>& check) {
    if (!check || check->audioShort) {
        return std::nullopt;
    }
    return check->checks;
}

}  // namespace marulo::review
