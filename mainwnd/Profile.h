// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "platform/SettingsStore.h"

namespace marulo::mainwnd {

// The current mother, as kept between runs.
struct Profile {
    std::string name;
    std::string edc;  // "yyyy-mm-dd", or empty
};

// Whether the text is an EDC as the window writes it: "yyyy-mm-dd" of a real calendar date.
bool IsEdcText(std::string_view text);

// The stored name (at most 1023 bytes) and the stored EDC when it is such a text; what is
// missing or is no date stays empty.
Profile LoadProfile(platform::SettingsStore& store);

// Stores the name (cut to 1023 bytes, as bytes when it is no UTF-8) and the EDC together in one
// save, an empty one as empty, so a later start never pairs one mother's name with another's
// EDC. When both are empty nothing is stored and the stored pair stays. Failures are silent.
void SaveProfile(platform::SettingsStore& store, const Profile& profile);

}  // namespace marulo::mainwnd
