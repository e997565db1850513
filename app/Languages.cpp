// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Languages.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/ConfigFiles.h"
#include "platform/IniFile.h"

namespace marulo::app {

namespace {

constexpr std::size_t kLanguageListBuffer = 4096;
constexpr std::size_t kLanguageValueBuffer = 1024;
constexpr std::string_view kLanguageFolder = "lang";

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

std::vector<std::string> LanguageNames() {
    return platform::IniFile::ReadKeyNames(FsPath(LangIniPath()), "Language", kLanguageListBuffer);
}

std::string LanguageValue(std::string_view displayName) {
    return platform::IniFile::ReadString(FsPath(LangIniPath()), "Language", displayName, "",
                                         kLanguageValueBuffer);
}

std::string LanguageLocale(std::string_view displayName) {
    const std::string value = LanguageValue(displayName);
    if (value.empty()) {
        return {};
    }
    const std::shared_ptr<const platform::IniDocument> document =
        platform::IniFile::Read(FsPath(LanguageFilePath(value)));
    if (document == nullptr) {
        return {};
    }
    return std::string(document->Find("Language", "Locale").value_or(""));
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

}  // namespace marulo::app
