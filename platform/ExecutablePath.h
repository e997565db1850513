// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace marulo::platform {

// The full path of the running executable in UTF-8, whatever the working directory; empty when the
// system cannot tell it.
std::string ExecutablePath();

}  // namespace marulo::platform
