// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <optional>
#include <string_view>
#include <system_error>

namespace marulo::platform {

// The number the whole text spells in the value's type; nothing for spaces, a '+', trailing
// characters or a value the type cannot hold.
template <typename Number>
std::optional<Number> ParseWholeNumber(std::string_view text) {
    Number value{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace marulo::platform
