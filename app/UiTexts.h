// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace marulo::app {

// The key's value in section Font, Language or Homepage of Conf.ini; where Conf.ini (the key,
// the section or the file) lacks it, the built-in English value, else the default; at most 127
// bytes.
std::string UiText(std::string_view section, std::string_view key, std::string_view defaultText);

// The key's value in section Message of Conf.ini, or the built-in English text where Conf.ini
// lacks it; empty when neither has it; at most 1023 bytes. Safe from any thread.
std::string MessageText(std::string_view key);

}  // namespace marulo::app
