// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/QualityStrip.h"

#include <algorithm>

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

}  // namespace marulo::views
