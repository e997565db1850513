// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace marulo::archive {

// One record's rename: bare file names in the record folder.
struct RedateStep {
    std::string from;
    std::string to;
};

enum class RedateProblem {
    None,
    SameDate,      // the new due date gives the same file names
    BadDate,       // a due date is not a "yyyy-mm-dd" calendar date
    Conflict,      // a new name is taken already; nothing was renamed
    RenameFailed,  // the system refused a rename; the ones before it stand
};

// What re-dating a mother's records will do, or why it must not start. `names` lists the
// file names taken already for Conflict, and the refused one for RenameFailed.
struct RedatePlan {
    RedateProblem problem = RedateProblem::None;
    std::vector<RedateStep> steps;
    std::vector<std::string> names;
};

// The renames that move every record of the mother filed under the old due date to the new
// one, the time part of each name kept. Checked whole before anything is touched: a new name
// that exists already refuses the plan. Records already under the new date (an earlier run
// that was stopped) are not in it, so planning again finishes such a run.
RedatePlan PlanRedating(const std::filesystem::path& folder, std::string_view name,
                        std::string_view oldEdcText, std::string_view newEdcText);

struct RedateResult {
    RedateProblem problem = RedateProblem::None;
    std::size_t renamed = 0;
    std::vector<std::string> names;
};

// Renames in place, one atomic rename each that never replaces a file, so a stop at any point
// leaves every record under exactly one of its two names. `afterEach` hears the count done.
RedateResult CarryOutRedating(const std::filesystem::path& folder, const RedatePlan& plan,
                              const std::function<void(std::size_t)>& afterEach = {});

}  // namespace marulo::archive
