// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/QualityStrip.h"

#include <algorithm>
#include <string>
#include <utility>

#include "acquisition/RecordedAudioCheck.h"
#include "platform/ByteSource.h"
#include "recordformat/WavReader.h"

namespace marulo::views {

std::vector<StripRun> QualityStripRuns(std::span<const ratecheck::Mark> marks, ColumnSpan visible) {
    std::vector<StripRun> runs;
    const int end = std::min(visible.right, static_cast<int>(marks.size()));
    for (int column = std::max(0, visible.left); column < end;) {
        int runEnd = column + 1;
        while (runEnd < end && marks[runEnd] == marks[column]) {
            ++runEnd;
        }
        runs.push_back({{column, runEnd}, marks[column]});
        column = runEnd;
    }
    return runs;
}

Rect QualityStripRect(const StripRun& run, int offset, int clientHeight) {
    return {run.columns.left - offset, clientHeight - kQualityStripHeight,
            run.columns.right - offset, clientHeight};
}

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
                                       const std::atomic<bool>* stop) {
    std::string error;
    std::size_t covered = trace.size();
    auto checks = acquisition::CheckRecordedAudio(audio, trace, error, stop);
    if (!checks && (stop == nullptr || !stop->load())) {
        // The check refuses audio much shorter than its trace; the part there is still counts.
        const std::optional<std::size_t> seconds = WavSeconds(audio);
        if (seconds && *seconds > 0 && *seconds < trace.size()) {
            covered = *seconds;
            checks = acquisition::CheckRecordedAudio(audio, trace.first(covered), error, stop);
        }
    }
    if (!checks || (stop != nullptr && stop->load())) {
        return std::nullopt;
    }
    return RecordCheck{report::CheckTrace(trace.size(), *checks), covered, covered < trace.size()};
}

std::uint64_t BackgroundCheck::Start(std::filesystem::path audio, std::vector<std::int32_t> trace) {
    CancelAndWait();
    const std::uint64_t ticket = ++m_ticket;
    m_thread = std::thread([this, ticket, audio = std::move(audio), trace = std::move(trace)] {
        std::optional<RecordCheck> check = CheckRecord(audio, trace, &m_stop);
        if (m_stop.load()) {
            return;
        }
        m_finished(ticket, std::move(check));
    });
    return ticket;
}

void BackgroundCheck::CancelAndWait() {
    m_stop = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_stop = false;
    ++m_ticket;
}

}  // namespace marulo::views
