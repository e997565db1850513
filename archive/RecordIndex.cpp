// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordIndex.h"

#include <set>
#include <system_error>

#include "archive/RecordName.h"

namespace marulo::archive {

std::vector<std::string> BuildRecordIndex(const std::filesystem::path& folder) {
    // std::string compares its characters as unsigned bytes.
    std::set<std::string> keys;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        const std::string fileName = it->path().filename().string();
        if (HasRecordExtension(fileName)) {
            keys.insert(MotherKey(fileName));
        }
    }
    return {keys.begin(), keys.end()};
}

}  // namespace marulo::archive
