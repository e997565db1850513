// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The folder holding Conf.ini, Lang.ini and the language files: the executable's folder, unless a
// test put another one in its place.
FolderLocation ConfigFolder();
void SetConfigFolderForTesting(std::optional<FolderLocation> folder);

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

// The active Conf.ini: in WorkFolder() (or the test's folder), but the program's own while the
// work folder has none. Built anew on every call.
std::string ConfIniPath();
// Full paths in ConfigFolder(), built anew on every call.
std::string LangIniPath();
std::string LanguageFilePath(std::string_view relativePath);

// The key's value in section Font, Language or Homepage of Conf.ini; where Conf.ini (the key,
// the section or the file) lacks it, the built-in English value, else the default; at most 127
// bytes.
std::string UiText(std::string_view section, std::string_view key, std::string_view defaultText);

// The key's value in section Message of Conf.ini, or the built-in English text where Conf.ini
// lacks it; empty when neither has it; at most 1023 bytes. Safe from any thread.
std::string MessageText(std::string_view key);

// The display names listed in section Language of Lang.ini, in file order.
std::vector<std::string> LanguageNames();

// The relative path of a language's configuration file as Lang.ini gives it; empty when unlisted.
std::string LanguageValue(std::string_view displayName);

// Makes the named language the active one by copying its file over Conf.ini. Changes nothing and
// returns false when Lang.ini gives no value for the name, when the language's file or Conf.ini
// does not exist, when the file lies outside the language folder "lang" or does not read as a
// language file ([Message] and a Language/Current name), or when the copy fails; Conf.ini is then
// left as it was. The caller discards the
// cached fonts afterwards.
bool SwitchLanguageFiles(std::string_view displayName);

// Whether Lang.ini points the language at an existing file outside the language folder, which
// the switch refuses.
bool LanguageFileOutsideFolder(std::string_view displayName);

// What a shared font is made of, as read from section Font of Conf.ini.
struct FontSpec {
    std::string face;   // at most 31 bytes, never a split UTF-8 character
    int pixelSize = 0;  // 0 or less: leave the default size
    int weight = 400;   // 400 normal, 700 bold

    bool operator==(const FontSpec&) const = default;
};

// A size in points, read as the standard text-to-long conversion reads it (leading blanks, an
// optional sign, then digits; no digits give 0), in pixels at a fixed 96 pixels per inch, rounded
// to the nearest with halves away from zero; held within +-16384 pixels.
int PointSizeTextToPixels(const std::string& sizeText);

// Sizes are held to what fits the controls: 20 pixels for the shared font, 64 for the heart rate.
FontSpec UiFontSpec(bool bold);
FontSpec HeartRateFontSpec();

}  // namespace marulo::app
