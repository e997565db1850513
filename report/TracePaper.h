// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace marulo::report {

// How fast the paper runs under the trace.
enum class PaperSpeed { OneCmPerMinute, ThreeCmPerMinute };

// A page and the room the report keeps free on it, in millimetres.
struct PageFrame {
    double widthMm = 297.0;
    double heightMm = 210.0;
    double marginMm = 12.0;
    double firstPageHeaderMm = 48.0;  // header and summary above the first page's rows
    double footerMm = 8.0;
};

// One strip of trace paper: where it lies on which page and which seconds it holds.
struct PaperRow {
    std::int64_t firstSecond = 0;
    int page = 0;         // zero-based
    double leftMm = 0.0;  // left edge of the paper
    double topMm = 0.0;   // top edge of the paper (the 210 bpm line)
};

struct GridLine {
    double positionMm = 0.0;
    bool dark = false;
};

// A stretch of consecutive seconds that all have a rate; a trace is drawn run by run so that it
// never bridges a gap.
struct TraceRun {
    std::int64_t firstSecond = 0;
    std::int64_t seconds = 0;
};

// Standard trace paper: 20 bpm per cm from 50 to 210 bpm, 1 or 3 cm per minute, a light grid
// every 10 bpm and minute, darker every 30 bpm and 10 minutes (counted from the start of the
// record), laid out in whole-minute rows on as many pages as the record needs.
class TracePaper {
public:
    static constexpr int kLowestBpm = 50;
    static constexpr int kHighestBpm = 210;
    static constexpr double kMmPerBpm = 0.5;
    static constexpr double kPaperHeightMm = (kHighestBpm - kLowestBpm) * kMmPerBpm;
    // Room left of each row for the rate scale, and above it for its clock label.
    static constexpr double kScaleMm = 9.0;
    static constexpr double kLabelMm = 6.0;
    static constexpr double kRowGapMm = 4.0;

    TracePaper(PaperSpeed speed, const PageFrame& frame, std::int64_t traceSeconds);

    double MmPerMinute() const { return m_mmPerMinute; }
    int MinutesPerRow() const { return m_minutesPerRow; }
    std::int64_t SecondsPerRow() const { return std::int64_t{m_minutesPerRow} * 60; }
    double RowWidthMm() const { return m_minutesPerRow * m_mmPerMinute; }
    int RowsPerPage(int page) const { return page == 0 ? m_rowsOnFirstPage : m_rowsOnLaterPages; }
    const std::vector<PaperRow>& Rows() const { return m_rows; }
    int PageCount() const { return m_rows.empty() ? 1 : m_rows.back().page + 1; }

    // Positions on the page of a moment (seconds from the start of the record, fractions
    // allowed) and of a rate, which is held to the paper's edges.
    double XForSecond(const PaperRow& row, double second) const;
    double YForRate(const PaperRow& row, double bpm) const;

    // The grid of a row: vertical lines at every minute across it, horizontal ones at every
    // 10 bpm, each with its page position.
    std::vector<GridLine> MinuteLines(const PaperRow& row) const;
    std::vector<GridLine> RateLines(const PaperRow& row) const;

private:
    double m_mmPerMinute = 10.0;
    int m_minutesPerRow = 1;
    int m_rowsOnFirstPage = 1;
    int m_rowsOnLaterPages = 1;
    std::vector<PaperRow> m_rows;
};

// The runs of rated seconds among trace[first, first + count), in order.
std::vector<TraceRun> RatedRuns(std::span<const std::int32_t> trace, std::int64_t first,
                                std::int64_t count);

}  // namespace marulo::report
