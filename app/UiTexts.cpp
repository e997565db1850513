// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UiTexts.h"

#include <cstddef>
#include <optional>

#include "BuiltInTexts.h"
#include "app/ConfigFiles.h"
#include "platform/IniFile.h"

namespace marulo::app {

namespace {

constexpr std::size_t kUiTextBuffer = 128;
constexpr std::size_t kMessageTextBuffer = 1024;

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

}  // namespace

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

}  // namespace marulo::app
