// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ratecheck/RateCheck.h"
#include "views/ChartGeometry.h"

namespace marulo::views {

// The thin strip along the bottom of the chart's grid that marks every second of a record by
// how far a second analysis of its sound believes the shown rate. It lies below 35 bpm, where no
// rate is drawn.
inline constexpr int kQualityStripHeight = 4;

struct StripRun {
    ColumnSpan columns;  // in chart coordinates, one column a second
    ratecheck::Mark mark = ratecheck::Mark::NoSignal;
    bool operator==(const StripRun&) const = default;
};

// The runs of equal marks within the visible columns.
std::vector<StripRun> QualityStripRuns(std::span<const ratecheck::Mark> marks, ColumnSpan visible);

// A run's rectangle in client coordinates.
Rect QualityStripRect(const StripRun& run, int offset, int clientHeight);

}  // namespace marulo::views
