// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Config.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include "BuiltInTexts.h"
#include "platform/ExecutablePath.h"
#include "platform/IniFile.h"

namespace marulo::app {

namespace {

constexpr std::size_t kUiTextBuffer = 128;
constexpr std::size_t kMessageTextBuffer = 1024;
constexpr std::size_t kLanguageListBuffer = 4096;
constexpr std::size_t kLanguageValueBuffer = 1024;
constexpr std::size_t kFaceNameBytes = 31;
constexpr std::int64_t kMaxPixelSize = 16384;
// Larger text no longer fits the buttons and panels (25 pixels high) or, for the heart rate,
// the number's place in the live view.
constexpr int kMaxUiPixelSize = 20;
constexpr int kMaxHeartRatePixelSize = 64;
constexpr std::string_view kLanguageFolder = "lang";

std::mutex g_configFolderMutex;
std::optional<FolderLocation> g_configFolderForTesting;

std::filesystem::path FsPath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(FsPath(path), error);
}

FontSpec MakeFontSpec(std::string_view sizeKey, int weight, int maxPixelSize) {
    return FontSpec{
        std::string(platform::CutUtf8(UiText("Font", "Name", "System"), kFaceNameBytes)),
        std::min(PointSizeTextToPixels(UiText("Font", sizeKey, "9")), maxPixelSize), weight};
}

const platform::IniDocument& BuiltInEnglish() {
    static const platform::IniDocument texts(
        std::string_view(kBuiltInEnglish, sizeof kBuiltInEnglish - 1));
    return texts;
}

// The key's value in Conf.ini; where Conf.ini lacks it, the built-in English one.
std::optional<std::string_view> ConfValue(const platform::IniDocument* conf,
                                          std::string_view section, std::string_view key) {
    if (conf != nullptr) {
        if (const auto value = conf->Find(section, key)) {
            return value;
        }
    }
    return BuiltInEnglish().Find(section, key);
}

// Whether the path lies inside the folder, after every link and ".." is resolved.
bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (error) {
        return false;
    }
    const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
    if (error) {
        return false;
    }
    const auto [rootEnd, pathAt] =
        std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
    return rootEnd == root.end() && pathAt != resolved.end();
}

// A language file names its language and holds the message texts.
bool ReadsAsLanguageFile(const std::filesystem::path& path) {
    const std::shared_ptr<const platform::IniDocument> document = platform::IniFile::Read(path);
    return document != nullptr && document->HasSection("Message") &&
           !document->Find("Language", "Current").value_or("").empty();
}

}  // namespace

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

std::string UiText(std::string_view section, std::string_view key, std::string_view defaultText) {
    const auto conf = platform::IniFile::Read(FsPath(ConfIniPath()));
    return std::string(platform::CutUtf8(ConfValue(conf.get(), section, key).value_or(defaultText),
                                         kUiTextBuffer - 1));
}

std::string MessageText(std::string_view key) {
    const auto conf = platform::IniFile::Read(FsPath(ConfIniPath()));
    return std::string(platform::CutUtf8(ConfValue(conf.get(), "Message", key).value_or(""),
                                         kMessageTextBuffer - 1));
}

std::vector<std::string> LanguageNames() {
    return platform::IniFile::ReadKeyNames(FsPath(LangIniPath()), "Language", kLanguageListBuffer);
}

std::string LanguageValue(std::string_view displayName) {
    return platform::IniFile::ReadString(FsPath(LangIniPath()), "Language", displayName, "",
                                         kLanguageValueBuffer);
}

bool SwitchLanguageFiles(std::string_view displayName) {
    const std::string value = LanguageValue(displayName);
    if (value.empty()) {
        return false;
    }
    const std::string source = LanguageFilePath(value);
    const std::string confIni = ConfIniPath();
    if (!IsRegularFile(source) || !IsRegularFile(confIni)) {
        return false;
    }
    // Lang.ini is a plain file anyone may edit: only a language file from the program's own
    // language folder may become the configuration.
    if (LanguageFileOutsideFolder(displayName) || !ReadsAsLanguageFile(FsPath(source))) {
        return false;
    }
    // Copy beside Conf.ini first and rename over it, so a copy that fails half-way never leaves
    // a damaged Conf.ini behind.
    const std::filesystem::path target = FsPath(confIni);
    std::filesystem::path staging = target;
    staging += ".new";
    std::error_code error;
    std::filesystem::copy_file(FsPath(source), staging,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (!error) {
        std::filesystem::rename(staging, target, error);
    }
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(staging, ignored);
        return false;
    }
    return true;
}

bool LanguageFileOutsideFolder(std::string_view displayName) {
    const std::string value = LanguageValue(displayName);
    const std::string source = LanguageFilePath(value);
    return !value.empty() && IsRegularFile(source) &&
           !IsInside(FsPath(source), FsPath(LanguageFilePath(kLanguageFolder)));
}

int PointSizeTextToPixels(const std::string& sizeText) {
    const long points = std::strtol(sizeText.c_str(), nullptr, 10);
    constexpr std::int64_t kMaxPoints = kMaxPixelSize * 72 / 96;
    const std::int64_t scaled =
        std::clamp(static_cast<std::int64_t>(points), -kMaxPoints, kMaxPoints) * 96;
    const std::int64_t half = scaled < 0 ? -36 : 36;
    return static_cast<int>((scaled + half) / 72);
}

FontSpec UiFontSpec(bool bold) {
    return MakeFontSpec("Size", bold ? 700 : 400, kMaxUiPixelSize);
}

FontSpec HeartRateFontSpec() {
    return MakeFontSpec("HrSize", 700, kMaxHeartRatePixelSize);
}

}  // namespace marulo::app
