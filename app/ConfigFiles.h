// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/WorkFolder.h"

namespace marulo::app {

// The folder holding Conf.ini, Lang.ini and the language files: the executable's folder, unless a
// test put another one in its place.
FolderLocation ConfigFolder();
void SetConfigFolderForTesting(std::optional<FolderLocation> folder);

// The active Conf.ini: in WorkFolder() (or the test's folder), but the program's own while the
// work folder has none. Built anew on every call.
std::string ConfIniPath();
// Full paths in ConfigFolder(), built anew on every call.
std::string LangIniPath();
std::string LanguageFilePath(std::string_view relativePath);

}  // namespace marulo::app
