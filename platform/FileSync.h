// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace marulo::platform {

// Asks the system to put the file's content on the disk before returning; false when it cannot.
bool SyncFile(const std::filesystem::path& file);

// The same for a folder's entries, so that a rename into it survives a power loss.
bool SyncFolder(const std::filesystem::path& folder);

}  // namespace marulo::platform
