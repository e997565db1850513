// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/RecordSummary.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/RecordedAudioCheck.h"
#include "archive/RecordArchive.h"
#include "report/CheckedTrace.h"

namespace marulo::review {

namespace {

std::optional<std::vector<std::int32_t>> ReadTrace(const std::filesystem::path& path) {
    archive::RecordArchive record;
    std::vector<std::int32_t> trace;
    if (record.Open(path) != archive::RecordProblem::None || !record.HasTrace() ||
        record.ReadTrace(trace) != archive::RecordProblem::None) {
        return std::nullopt;
    }
    return trace;
}

archive::RecordSummary SummaryOf(const std::vector<std::int32_t>& trace) {
    archive::RecordSummary summary;
    summary.seconds = static_cast<std::int64_t>(trace.size());
    summary.anyRate = std::any_of(trace.begin(), trace.end(), [](std::int32_t r) { return r > 0; });
    return summary;
}

}  // namespace

std::optional<archive::RecordSummary> ReadRecordSummary(const std::filesystem::path& archive) {
    const std::optional<std::vector<std::int32_t>> trace = ReadTrace(archive);
    if (!trace) {
        return std::nullopt;
    }
    return SummaryOf(*trace);
}

std::optional<archive::RecordSummary> CheckRecordSummary(const std::filesystem::path& archive,
                                                         const std::atomic<bool>* stop) {
    const std::optional<std::vector<std::int32_t>> trace = ReadTrace(archive);
    if (!trace) {
        return std::nullopt;
    }
    archive::RecordSummary summary = SummaryOf(*trace);
    std::string error;
    const auto checks = acquisition::CheckArchivedAudio(archive, *trace, error, stop);
    if (stop != nullptr && stop->load()) {
        return std::nullopt;
    }
    if (!checks) {
        summary.check = archive::SoundCheck::Unavailable;
        return summary;
    }
    const report::CheckedTrace checked = report::CheckTrace(trace->size(), *checks);
    summary.check = archive::SoundCheck::Checked;
    summary.confirmedSeconds = checked.SecondsOf(report::SecondStatus::Confirmed);
    return summary;
}

}  // namespace marulo::review
