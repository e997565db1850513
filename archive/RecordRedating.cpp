// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordRedating.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "archive/RecordName.h"
#include "platform/FileSync.h"

namespace marulo::archive {

namespace fs = std::filesystem;

namespace {

// Taken, or not known to be free.
bool NameTaken(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// A rename that fails rather than replace a file that appeared since planning.
bool RenameNoReplace(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return false;
    }
    // File systems without the flag: the gap between the check and the rename is the only risk.
    if (NameTaken(to)) {
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

RedatePlan PlanRedating(const fs::path& folder, std::string_view name, std::string_view oldEdcText,
                        std::string_view newEdcText) {
    RedatePlan plan;
    const std::string oldDigits = RemoveDashes(oldEdcText);
    const std::string newDigits = RemoveDashes(newEdcText);
    if (!EdcDigitsDate(oldDigits) || !EdcDigitsDate(newDigits)) {
        plan.problem = RedateProblem::BadDate;
        return plan;
    }
    if (oldDigits == newDigits) {
        plan.problem = RedateProblem::SameDate;
        return plan;
    }
    const std::string oldKey = std::string(name) + "_" + oldDigits;
    std::vector<std::string> files = ListRecordFiles(folder, name, oldEdcText);
    std::sort(files.begin(), files.end());
    for (const std::string& from : files) {
        // Matching "<name>_<digits>_*" also lets a name ending in "_<digits>" through; only the
        // records whose key is exactly the mother's move.
        if (MotherKey(from) != oldKey) {
            continue;
        }
        // Both dates are eight digits, so the new name is as long as the old one.
        std::string to = std::string(name) + "_" + newDigits + "_";
        to += AfterLastSeparator(from);
        if (NameTaken(folder / to)) {
            plan.names.push_back(to);
        }
        plan.steps.push_back({from, std::move(to)});
    }
    if (!plan.names.empty()) {
        plan.problem = RedateProblem::Conflict;
        plan.steps.clear();
    }
    return plan;
}

RedateResult CarryOutRedating(const fs::path& folder, const RedatePlan& plan,
                              const std::function<void(std::size_t)>& afterEach) {
    RedateResult result;
    if (plan.problem != RedateProblem::None) {
        result.problem = plan.problem;
        result.names = plan.names;
        return result;
    }
    for (const RedateStep& step : plan.steps) {
        if (!RenameNoReplace(folder / step.from, folder / step.to)) {
            result.problem = RedateProblem::RenameFailed;
            result.names = {step.from};
            break;
        }
        ++result.renamed;
        if (afterEach) {
            afterEach(result.renamed);
        }
    }
    platform::SyncFolder(folder);
    return result;
}

}  // namespace marulo::archive
