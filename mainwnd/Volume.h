// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace marulo::mainwnd {

// Whether the output level is 0.
bool IsMuted();

// Muting remembers the current level and sets 0; unmuting restores the remembered level. The
// first call of the process remembers the level it finds.
void SetMuted(bool mute);

// The 32-bit stereo volume value of a level: the level in both 16-bit halves.
std::uint32_t StereoVolumeValue(std::uint16_t level);

// Forgets the remembered level, as at process start.
void ResetMutedVolumeForTesting();

}  // namespace marulo::mainwnd
