// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace marulo::archive {

// The distinct mother keys of every "*.zip" file in the folder (extension in any case), in
// ascending order of their bytes as unsigned values: the empty key first, upper case before
// lower case. Empty when the folder does not exist.
std::vector<std::string> BuildRecordIndex(const std::filesystem::path& folder = "Data");

}  // namespace marulo::archive
