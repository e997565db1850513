// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/SettingsStore.h"

namespace marulo::mainwnd {

// The current mother, as kept between runs.
struct Profile {
    std::string name;
    std::string edc;  // "yyyy-mm-dd", or empty
};

// The stored name (at most 1023 bytes) and the stored EDC when it has exactly 10 bytes; what
// is missing stays empty.
Profile LoadProfile(platform::SettingsStore& store);

// Stores the non-empty fields (the name cut to 1023 bytes); an empty field keeps the value
// stored earlier. Failures are silent.
void SaveProfile(platform::SettingsStore& store, const Profile& profile);

}  // namespace marulo::mainwnd
