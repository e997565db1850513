// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace marulo::app {

#if defined(_WIN32)
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A folder as a drive ("C:"; empty where the system has no drives) and a directory that begins
// and ends with a separator.
struct FolderLocation {
    std::string drive;
    std::string directory;

    bool operator==(const FolderLocation&) const = default;
};

// The drive and directory of a full file path. Both separators count on a system whose own is
// '\\'; only '/' elsewhere.
FolderLocation SplitFolder(std::string_view filePath, char separator);

// The drive and directory of the running executable, never the working directory.
FolderLocation ExeFolder();

// A UTF-8 path as the file system takes it.
std::filesystem::path FsPath(const std::string& utf8);

// Whether a regular file is at the UTF-8 path.
bool IsRegularFile(const std::string& path);

// Whether the running user can create files in the folder.
bool IsWritableFolder(const std::string& folder);

// The per-user folder of an installed program: $XDG_DATA_HOME/marulo or ~/.local/share/marulo
// (%APPDATA%\marulo on Windows, ~/Library/Application Support/marulo on macOS); empty when the
// system tells no home.
std::string UserDataFolder();

// Where Data, the working files and the active Conf.ini of a program in programFolder live:
// beside the program when it can write there (or no user folder is known or can be made);
// otherwise userFolder, made when missing, with the program's Conf.ini copied into it unless one
// is already there (so a chosen language lasts).
FolderLocation ChooseWorkFolder(const FolderLocation& programFolder, bool programFolderWritable,
                                const std::string& userFolder);

// ChooseWorkFolder for the executable's folder and this user, made on the first call and kept for
// the life of the process.
FolderLocation WorkFolder();

// Replaces every pair of consecutive separators by one, left to right without overlap, so three
// separators become two.
std::string CollapseDoubledSeparators(std::string_view text, char separator);

// Drive, directory and a path relative to the directory joined with a separator at both joins,
// then collapsed.
std::string JoinFolderPath(const FolderLocation& folder, std::string_view relative, char separator);

}  // namespace marulo::app
