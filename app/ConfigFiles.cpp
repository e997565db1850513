// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConfigFiles.h"

#include <mutex>

namespace marulo::app {

namespace {

std::mutex g_configFolderMutex;
std::optional<FolderLocation> g_configFolderForTesting;

}  // namespace

FolderLocation ConfigFolder() {
    {
        const std::lock_guard lock(g_configFolderMutex);
        if (g_configFolderForTesting) {
            return *g_configFolderForTesting;
        }
    }
    return ExeFolder();
}

void SetConfigFolderForTesting(std::optional<FolderLocation> folder) {
    const std::lock_guard lock(g_configFolderMutex);
    g_configFolderForTesting = std::move(folder);
}

std::string ConfIniPath() {
    {
        const std::lock_guard lock(g_configFolderMutex);
        if (g_configFolderForTesting) {
            return JoinFolderPath(*g_configFolderForTesting, "Conf.ini", kPathSeparator);
        }
    }
    const std::string active = JoinFolderPath(WorkFolder(), "Conf.ini", kPathSeparator);
    return IsRegularFile(active) ? active : JoinFolderPath(ExeFolder(), "Conf.ini", kPathSeparator);
}

std::string LangIniPath() {
    return JoinFolderPath(ConfigFolder(), "Lang.ini", kPathSeparator);
}

std::string LanguageFilePath(std::string_view relativePath) {
    return JoinFolderPath(ConfigFolder(), relativePath, kPathSeparator);
}

}  // namespace marulo::app
