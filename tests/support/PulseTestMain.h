// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "tests/support/PrivatePulseAudio.h"

namespace marulo::testing {

// The private sound service this test program's main started for all its tests, or null when it
// could not start here; then WhyNoPulseAudio says why.
PrivatePulseAudio* SharedPulseAudio();
const std::string& WhyNoPulseAudio();

}  // namespace marulo::testing
