// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace marulo::views {

// The chart runs one pixel per second across and one pixel per beat per minute up.
inline constexpr int kMinimumExtentWidth = 3680;  // 61 minutes 20 seconds
inline constexpr int kGridBandHeight = 213;
inline constexpr int kGridTileWidth = 60;  // one minute
inline constexpr int kLabelHalfWidth = 40;
inline constexpr int kValueAtBottomEdge = 30;
inline constexpr int kWheelNotch = 120;
inline constexpr int kDefaultWheelLines = 3;
// A wheel-lines setting below zero scrolls by pages (the system's "one screen at a time").
inline constexpr int kWheelScrollsPages = -1;
inline constexpr int kReadoutInset = 5;
inline constexpr int kReadoutGap = 3;
inline constexpr int kCursorInset = 2;

// Pixel rectangle; right and bottom are exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const Rect&) const = default;
};

// Pixel columns from left (inclusive) to right (exclusive).
struct ColumnSpan {
    int left = 0;
    int right = 0;

    bool operator==(const ColumnSpan&) const = default;
};

// Trace indices from first (inclusive) to last (exclusive).
struct IndexRange {
    std::size_t first = 0;
    std::size_t last = 0;

    bool operator==(const IndexRange&) const = default;
};

// The scrollable size of the chart and its scroll steps, fixed when the view is made.
struct ChartExtent {
    int width = 0;
    int height = 0;
    int lineStep = 1;
    int pageStep = 1;

    bool operator==(const ChartExtent&) const = default;
};

ChartExtent MakeChartExtent(int clientWidth, int clientHeight);

// Width the chart is drawn over: never narrower than the client area.
int ChartWidth(const ChartExtent& extent, int clientWidth);
// Largest horizontal offset that shows no space beyond the extent.
int MaxOffset(const ChartExtent& extent, int clientWidth);
int ClampOffset(int offset, int maxOffset);

int BandTop(int clientHeight);
int ValueY(int clientHeight, std::int32_t value);

// A minute label's number and the box it is centred in, in chart coordinates.
struct MinuteLabel {
    int minute = 0;
    Rect box;

    bool operator==(const MinuteLabel&) const = default;
};

// Grid tiles' left edges, one per minute, over the chart width.
std::vector<int> GridTileLefts(int chartWidth);
// Labels stand on every second minute line after the first.
std::vector<MinuteLabel> MinuteLabels(int chartWidth, int clientHeight);

// The rates a heart can have and the detector gives; any other value read from a file is no
// rate, like 0.
inline constexpr std::int32_t kLowestRate = 50;
inline constexpr std::int32_t kHighestRate = 240;
constexpr bool IsRate(std::int32_t value) {
    return value >= kLowestRate && value <= kHighestRate;
}

// The columns of `visible` where the trace may show: all but the 3-pixel strip around every
// value that is no rate, so that the line segments touching a missing value leave a gap.
std::vector<ColumnSpan> TraceColumns(std::span<const std::int32_t> trace, ColumnSpan visible);
// The trace points whose line segments can reach the columns, with a margin for the pen.
IndexRange TracePointsFor(ColumnSpan columns, std::size_t count);

// After a value is appended while live: the offset that keeps the newest value in view.
int LiveFollow(int offset, int clientWidth, std::size_t count, int maxOffset);
// On a playback tick: the offset whose page shows the playing second, moving by whole pages.
int PlaybackFollow(int offset, int clientWidth, std::int64_t second, int maxOffset);

enum class ScrollRequest { LineLeft, LineRight, PageLeft, PageRight, LeftEnd, RightEnd };

int ScrollOffset(ScrollRequest request, int offset, const ChartExtent& extent, int clientWidth);

// What a wheel turn asks for: signed steps (negative to the left) in lines or pages, and the
// part of the turn too small for a step, kept for the next turn.
struct WheelScroll {
    int steps = 0;
    bool pages = false;
    int remainder = 0;

    bool operator==(const WheelScroll&) const = default;
};

// The remainder is counted in wheel delta times wheel lines (times 1 when scrolling pages), so a
// turn is used up exactly once however finely the wheel reports it.
WheelScroll ApplyWheel(int remainder, int delta, int wheelLines);
int WheelOffset(int offset, const WheelScroll& wheel, const ChartExtent& extent, int clientWidth);

// The second a click at chart x starts playing from; none while live or right of the trace end.
std::optional<int> ClickedSecond(bool live, int chartX, std::size_t count);
bool ShowsPointingCursor(bool live, int chartX, std::size_t count);

// Whole seconds of a player position in milliseconds; -1 when the player could not tell.
std::int64_t PositionSecond(std::int64_t milliseconds);
// The rate shown beside the playing cursor, when the trace has one for that second.
std::optional<std::int32_t> ReadoutValue(std::int64_t second, std::span<const std::int32_t> trace);

// Where the readout goes on the shown page, in client coordinates: the figure's top-left corner,
// then the mark and unit boxes beside it.
struct ReadoutLayout {
    int anchorX = 0;
    int anchorY = 0;
    Rect markBox;
    Rect unitBox;

    bool operator==(const ReadoutLayout&) const = default;
};

ReadoutLayout LayoutReadout(int clientWidth, int clientHeight, int figureWidth, int figureHeight);
// The inverted playback cursor line at chart x.
Rect PlaybackCursorLine(int chartX, int clientHeight);

}  // namespace marulo::views
