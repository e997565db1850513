// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

class QWidget;

namespace marulo::mainwnd {

class UserPrompts;

// Opens an address or path with the desktop; when nothing can, says where it is.
void OpenOrTellWhere(QWidget& window, UserPrompts& prompts, const std::string& addressOrPath,
                     const std::filesystem::path& baseFolder);

}  // namespace marulo::mainwnd
