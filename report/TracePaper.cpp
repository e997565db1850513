// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/TracePaper.h"

#include <algorithm>
#include <cmath>

#include "report/TraceSummary.h"

namespace marulo::report {

namespace {

constexpr double kRowPitchMm =
    TracePaper::kLabelMm + TracePaper::kPaperHeightMm + TracePaper::kRowGapMm;

// At least one row, so a frame too small for the paper still gives a (clipped) report.
int RowsThatFit(double heightMm) {
    return std::max(1,
                    static_cast<int>(std::floor((heightMm + TracePaper::kRowGapMm) / kRowPitchMm)));
}

}  // namespace

TracePaper::TracePaper(PaperSpeed speed, const PageFrame& frame, std::int64_t traceSeconds)
    : m_mmPerMinute(speed == PaperSpeed::ThreeCmPerMinute ? 30.0 : 10.0) {
    const double paperWidth = frame.widthMm - 2 * frame.marginMm - kScaleMm;
    m_minutesPerRow = std::max(1, static_cast<int>(std::floor(paperWidth / m_mmPerMinute)));
    const double pageRoom = frame.heightMm - 2 * frame.marginMm - frame.footerMm;
    m_rowsOnFirstPage = RowsThatFit(pageRoom - frame.firstPageHeaderMm);
    m_rowsOnLaterPages = RowsThatFit(pageRoom);

    // An empty record still gets one row of blank paper.
    const std::int64_t rowCount =
        std::max<std::int64_t>(1, (traceSeconds + SecondsPerRow() - 1) / SecondsPerRow());
    m_rows.reserve(static_cast<std::size_t>(rowCount));
    int page = 0;
    int onPage = 0;
    for (std::int64_t index = 0; index < rowCount; ++index) {
        if (onPage == RowsPerPage(page)) {
            ++page;
            onPage = 0;
        }
        const double top = frame.marginMm + (page == 0 ? frame.firstPageHeaderMm : 0.0) +
                           onPage * kRowPitchMm + kLabelMm;
        m_rows.push_back({index * SecondsPerRow(), page, frame.marginMm + kScaleMm, top});
        ++onPage;
    }
}

double TracePaper::XForSecond(const PaperRow& row, double second) const {
    return row.leftMm + (second - static_cast<double>(row.firstSecond)) / 60.0 * m_mmPerMinute;
}

double TracePaper::YForRate(const PaperRow& row, double bpm) const {
    const double held = std::clamp(bpm, double{kLowestBpm}, double{kHighestBpm});
    return row.topMm + (kHighestBpm - held) * kMmPerBpm;
}

std::vector<GridLine> TracePaper::MinuteLines(const PaperRow& row) const {
    std::vector<GridLine> lines;
    const std::int64_t firstMinute = row.firstSecond / 60;
    for (int minute = 0; minute <= m_minutesPerRow; ++minute) {
        lines.push_back({row.leftMm + minute * m_mmPerMinute, (firstMinute + minute) % 10 == 0});
    }
    return lines;
}

std::vector<GridLine> TracePaper::RateLines(const PaperRow& row) const {
    std::vector<GridLine> lines;
    for (int bpm = kLowestBpm; bpm <= kHighestBpm; bpm += 10) {
        lines.push_back({YForRate(row, bpm), bpm % 30 == 0});
    }
    return lines;
}

std::vector<TraceRun> RatedRuns(std::span<const std::int32_t> trace, std::int64_t first,
                                std::int64_t count) {
    std::vector<TraceRun> runs;
    const auto size = static_cast<std::int64_t>(trace.size());
    const std::int64_t end = std::min(size, first + count);
    std::int64_t second = std::max<std::int64_t>(0, first);
    while (second < end) {
        while (second < end && !IsRate(trace[static_cast<std::size_t>(second)])) {
            ++second;
        }
        const std::int64_t runStart = second;
        while (second < end && IsRate(trace[static_cast<std::size_t>(second)])) {
            ++second;
        }
        if (second > runStart) {
            runs.push_back({runStart, second - runStart});
        }
    }
    return runs;
}

}  // namespace marulo::report
