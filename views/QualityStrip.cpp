// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/QualityStrip.h"

#include <algorithm>
#include <string>
#include <utility>

#include "acquisition/RecordedAudioCheck.h"

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

std::uint64_t BackgroundCheck::Start(std::filesystem::path audio, std::vector<std::int32_t> trace) {
    CancelAndWait();
    const std::uint64_t ticket = ++m_ticket;
    m_thread = std::thread([this, ticket, audio = std::move(audio), trace = std::move(trace)] {
        std::string error;
        const auto checks = acquisition::CheckRecordedAudio(audio, trace, error, &m_stop);
        if (m_stop.load()) {
            return;
        }
        m_finished(ticket, checks ? ratecheck::MarksFor(trace.size(), *checks)
                                  : std::vector<ratecheck::Mark>());
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
