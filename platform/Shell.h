// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <string>

class QObject;
class QUrl;

namespace marulo::platform::Shell {

// Opens a web address (any text starting with a scheme such as "https:" or "mailto:") in its
// program (a text starting with "www." as an https address), or a file or folder (a folder in the
// file browser). A relative path counts from baseFolder. False, with nothing launched, for an empty
// text or a path that does not exist; otherwise whether the desktop took the request. The desktop's
// launcher may find only later that no program opens it: then onLaunchFailed runs on context's
// thread, unless context has gone meanwhile.
bool Open(const std::string& addressOrPath, const std::filesystem::path& baseFolder,
          QObject* context = nullptr, std::function<void()> onLaunchFailed = {});

// What Open would open, for telling the user where it is: the address (an https address for a
// text starting with "www."), or the full path of a file or folder.
std::string Where(const std::string& addressOrPath, const std::filesystem::path& baseFolder);

// Hands what would be opened to the handler instead of the desktop; an empty handler restores
// the desktop.
void SetOpenHandlerForTesting(std::function<bool(const QUrl&)> handler);

}  // namespace marulo::platform::Shell
