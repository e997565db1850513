// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/WorkFolder.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "platform/ExecutablePath.h"

namespace marulo::app {

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(FsPath(path), error);
}

FolderLocation SplitFolder(std::string_view filePath, char separator) {
    FolderLocation folder;
    if (separator == '\\' && filePath.size() >= 2 && filePath[1] == ':') {
        folder.drive = std::string(filePath.substr(0, 2));
        filePath.remove_prefix(2);
    }
    const std::string_view separators = separator == '\\' ? std::string_view("\\/") : "/";
    const auto last = filePath.find_last_of(separators);
    if (last != std::string_view::npos) {
        folder.directory = std::string(filePath.substr(0, last + 1));
    }
    return folder;
}

FolderLocation ExeFolder() {
    return SplitFolder(platform::ExecutablePath(), kPathSeparator);
}

bool IsWritableFolder(const std::string& folder) {
#if defined(_WIN32)
    // Access bits say little about a Windows folder: try to create a file there.
    std::error_code error;
    if (!std::filesystem::is_directory(FsPath(folder), error)) {
        return false;
    }
    const std::filesystem::path probe =
        FsPath(folder) / (".marulo-write-test-" + std::to_string(_getpid()));
    const bool created = static_cast<bool>(std::ofstream(probe));
    std::filesystem::remove(probe, error);
    return created;
#else
    return !folder.empty() && access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

std::string UserDataFolder() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value != nullptr ? value : "");
    };
#if defined(_WIN32)
    const std::string base = variable("APPDATA");
    return base.empty() ? std::string{} : base + "\\marulo";
#elif defined(__APPLE__)
    const std::string home = variable("HOME");
    return home.empty() ? std::string{} : home + "/Library/Application Support/marulo";
#else
    // A relative XDG_DATA_HOME is invalid and is ignored.
    const std::string xdg = variable("XDG_DATA_HOME");
    if (xdg.starts_with('/')) {
        return xdg + "/marulo";
    }
    const std::string home = variable("HOME");
    return home.empty() ? std::string{} : home + "/.local/share/marulo";
#endif
}

FolderLocation ChooseWorkFolder(const FolderLocation& programFolder, bool programFolderWritable,
                                const std::string& userFolder) {
    if (programFolderWritable || userFolder.empty()) {
        return programFolder;
    }
    std::error_code error;
    std::filesystem::create_directories(FsPath(userFolder), error);
    if (!IsWritableFolder(userFolder)) {
        return programFolder;
    }
    const std::string userConf = userFolder + kPathSeparator + "Conf.ini";
    const std::string programConf = JoinFolderPath(programFolder, "Conf.ini", kPathSeparator);
    if (!IsRegularFile(userConf) && IsRegularFile(programConf)) {
        std::filesystem::copy_file(FsPath(programConf), FsPath(userConf), error);
    }
    std::string path = userFolder;
    path += kPathSeparator;
    // The trailing separator keeps the whole folder as the directory and splits off a drive.
    return SplitFolder(path, kPathSeparator);
}

FolderLocation WorkFolder() {
    static const FolderLocation folder = [] {
        const FolderLocation program = ExeFolder();
        return ChooseWorkFolder(program, IsWritableFolder(program.drive + program.directory),
                                UserDataFolder());
    }();
    return folder;
}

std::string CollapseDoubledSeparators(std::string_view text, char separator) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        result.push_back(text[i]);
        if (text[i] == separator && i + 1 < text.size() && text[i + 1] == separator) {
            ++i;
        }
    }
    return result;
}

std::string JoinFolderPath(const FolderLocation& folder, std::string_view relative,
                           char separator) {
    std::string joined = folder.drive;
    joined += separator;
    joined += folder.directory;
    joined += separator;
    joined += relative;
    return CollapseDoubledSeparators(joined, separator);
}

}  // namespace marulo::app
