// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/ChartGeometry.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace marulo::views {

ChartExtent MakeChartExtent(int clientWidth, int clientHeight) {
    ChartExtent extent;
    extent.width = std::max(clientWidth, kMinimumExtentWidth);
    extent.height = clientHeight;
    extent.lineStep = std::max(extent.width / 100, 1);
    extent.pageStep = std::max(extent.width / 10, 1);
    return extent;
}

int ChartWidth(const ChartExtent& extent, int clientWidth) {
    return std::max(extent.width, clientWidth);
}

int MaxOffset(const ChartExtent& extent, int clientWidth) {
    return std::max(extent.width - clientWidth, 0);
}

int ClampOffset(int offset, int maxOffset) {
    return std::clamp(offset, 0, std::max(maxOffset, 0));
}

int BandTop(int clientHeight) {
    return clientHeight - kGridBandHeight;
}

int ValueY(int clientHeight, std::int32_t value) {
    return static_cast<int>(
        std::clamp<std::int64_t>(std::int64_t{clientHeight} + kValueAtBottomEdge - value,
                                 std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::vector<int> GridTileLefts(int chartWidth) {
    std::vector<int> lefts;
    for (int x = 0; x < chartWidth; x += kGridTileWidth) {
        lefts.push_back(x);
    }
    return lefts;
}

std::vector<MinuteLabel> MinuteLabels(int chartWidth, int clientHeight) {
    std::vector<MinuteLabel> labels;
    for (int tile = 2; tile * kGridTileWidth < chartWidth; tile += 2) {
        const int x = tile * kGridTileWidth;
        labels.push_back(
            {tile, {x - kLabelHalfWidth, 0, x + kLabelHalfWidth, BandTop(clientHeight)}});
    }
    return labels;
}

std::vector<ColumnSpan> TraceColumns(std::span<const std::int32_t> trace, ColumnSpan visible) {
    std::vector<ColumnSpan> spans;
    if (visible.right <= visible.left) {
        return spans;
    }
    const auto count = static_cast<std::int64_t>(trace.size());
    const std::int64_t first = std::max<std::int64_t>(visible.left - 1, 0);
    const std::int64_t last = std::min<std::int64_t>(visible.right, count - 1);
    int next = visible.left;
    for (std::int64_t i = first; i <= last; ++i) {
        if (IsRate(trace[static_cast<std::size_t>(i)])) {
            continue;
        }
        const int cutLeft = static_cast<int>(i) - 1;
        const int cutRight = static_cast<int>(i) + 2;
        if (cutLeft > next) {
            spans.push_back({next, std::min(cutLeft, visible.right)});
        }
        next = std::max(next, cutRight);
    }
    if (next < visible.right) {
        spans.push_back({next, visible.right});
    }
    return spans;
}

IndexRange TracePointsFor(ColumnSpan columns, std::size_t count) {
    const auto total = static_cast<std::int64_t>(count);
    const std::int64_t first = std::clamp<std::int64_t>(std::int64_t{columns.left} - 2, 0, total);
    const std::int64_t last =
        std::clamp<std::int64_t>(std::int64_t{columns.right} + 2, first, total);
    return {static_cast<std::size_t>(first), static_cast<std::size_t>(last)};
}

int LiveFollow(int offset, int clientWidth, std::size_t count, int maxOffset) {
    if (clientWidth <= 0) {
        return offset;
    }
    const auto n = static_cast<std::int64_t>(count);
    std::int64_t left = offset;
    if (n < left) {
        const std::int64_t pages = (left - n + clientWidth - 1) / clientWidth;
        left = std::max<std::int64_t>(left - pages * clientWidth, 0);
    } else if (left + clientWidth < n) {
        left += (n - 1 - left) / clientWidth * clientWidth;
    }
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, std::max(maxOffset, 0)));
}

int PlaybackFollow(int offset, int clientWidth, std::int64_t second, int maxOffset) {
    if (clientWidth <= 0 || second < 0) {
        return offset;
    }
    std::int64_t left = offset;
    if (second < left) {
        const std::int64_t pages = (left - second + clientWidth - 1) / clientWidth;
        left = std::max<std::int64_t>(left - pages * clientWidth, 0);
    } else if (second >= left + clientWidth) {
        left += (second - left) / clientWidth * clientWidth;
    }
    return static_cast<int>(std::clamp<std::int64_t>(left, 0, std::max(maxOffset, 0)));
}

int ScrollOffset(ScrollRequest request, int offset, const ChartExtent& extent, int clientWidth) {
    if (clientWidth > extent.width) {
        return offset;
    }
    const int maxOffset = MaxOffset(extent, clientWidth);
    std::int64_t target = offset;
    switch (request) {
        case ScrollRequest::LineLeft:
            target -= extent.lineStep;
            break;
        case ScrollRequest::LineRight:
            target += extent.lineStep;
            break;
        case ScrollRequest::PageLeft:
            target -= extent.pageStep;
            break;
        case ScrollRequest::PageRight:
            target += extent.pageStep;
            break;
        case ScrollRequest::LeftEnd:
            target = 0;
            break;
        case ScrollRequest::RightEnd:
            target = maxOffset;
            break;
    }
    return static_cast<int>(std::clamp<std::int64_t>(target, 0, maxOffset));
}

WheelScroll ApplyWheel(int remainder, int delta, int wheelLines) {
    if (wheelLines == 0) {
        return {};
    }
    const bool pages = wheelLines < 0;
    const std::int64_t scale = pages ? 1 : wheelLines;
    const std::int64_t turned = std::int64_t{remainder} + std::int64_t{delta} * scale;
    const std::int64_t magnitude =
        std::min<std::int64_t>(std::llabs(turned) / kWheelNotch, std::numeric_limits<int>::max());
    WheelScroll wheel;
    wheel.steps = static_cast<int>(turned > 0 ? -magnitude : magnitude);
    wheel.pages = pages;
    wheel.remainder = static_cast<int>(turned % kWheelNotch);
    return wheel;
}

int WheelOffset(int offset, const WheelScroll& wheel, const ChartExtent& extent, int clientWidth) {
    if (clientWidth > extent.width) {
        return offset;
    }
    const std::int64_t step = wheel.pages ? extent.pageStep : extent.lineStep;
    const std::int64_t target = std::int64_t{offset} + std::int64_t{wheel.steps} * step;
    return static_cast<int>(std::clamp<std::int64_t>(target, 0, MaxOffset(extent, clientWidth)));
}

std::optional<int> ClickedSecond(bool live, int chartX, std::size_t count) {
    if (live || chartX < 0 || static_cast<std::size_t>(chartX) > count) {
        return std::nullopt;
    }
    return chartX;
}

bool ShowsPointingCursor(bool live, int chartX, std::size_t count) {
    return !live && chartX >= 0 && static_cast<std::size_t>(chartX) < count;
}

std::int64_t PositionSecond(std::int64_t milliseconds) {
    return milliseconds < 0 ? -1 : milliseconds / 1000;
}

std::optional<std::int32_t> ReadoutValue(std::int64_t second, std::span<const std::int32_t> trace) {
    if (second < 0 || static_cast<std::uint64_t>(second) >= trace.size()) {
        return std::nullopt;
    }
    const std::int32_t value = trace[static_cast<std::size_t>(second)];
    if (!IsRate(value)) {
        return std::nullopt;
    }
    return value;
}

ReadoutLayout LayoutReadout(int clientWidth, int clientHeight, int figureWidth, int figureHeight) {
    ReadoutLayout layout;
    layout.anchorX = kReadoutInset;
    layout.anchorY = BandTop(clientHeight) + kReadoutInset;
    const int boxLeft = layout.anchorX + figureWidth + kReadoutGap;
    const int boxRight = std::max(boxLeft, clientWidth);
    const int middle = layout.anchorY + figureHeight / 2;
    layout.markBox = {boxLeft, layout.anchorY, boxRight, middle};
    layout.unitBox = {boxLeft, middle, boxRight, layout.anchorY + figureHeight};
    return layout;
}

Rect PlaybackCursorLine(int chartX, int clientHeight) {
    return {chartX, BandTop(clientHeight) + kCursorInset, chartX + 1, clientHeight - kCursorInset};
}

}  // namespace marulo::views
