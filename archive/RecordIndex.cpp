// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordIndex.h"

#include <set>

#include "archive/RecordName.h"

namespace marulo::archive {

std::vector<std::string> BuildRecordIndex(const std::filesystem::path& folder) {
    // std::string compares its characters as unsigned bytes.
    std::set<std::string> keys;
    for (const std::string& fileName : ListAllRecordFiles(folder)) {
        keys.insert(MotherKey(fileName));
    }
    return {keys.begin(), keys.end()};
}

}  // namespace marulo::archive
