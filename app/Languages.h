// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace marulo::app {

// The display names listed in section Language of Lang.ini, in file order.
std::vector<std::string> LanguageNames();

// The relative path of a language's configuration file as Lang.ini gives it; empty when unlisted.
std::string LanguageValue(std::string_view displayName);

// The locale a language's own file names in Language/Locale ("de_DE"); empty when the language is
// unlisted or its file names none.
std::string LanguageLocale(std::string_view displayName);

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

}  // namespace marulo::app
