// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace marulo::platform {
class SettingsStore;
}

namespace marulo::mainwnd {

// Whether the output level is 0.
bool IsMuted();

// Muting remembers the current level and sets 0; unmuting restores the remembered level. The
// first call of the process remembers the level it finds.
void SetMuted(bool mute);

// Forgets the remembered level, as at process start.
void ResetMutedVolumeForTesting();

// The slider runs on a loudness scale, the output on a gain scale: equal steps of the slider
// sound like equal steps, where a linear gain would crowd the audible change into its bottom end.
std::uint16_t OutputLevelForSlider(int position);
int SliderForOutputLevel(std::uint16_t level);

// The slider position and the mute state as the user left them.
struct VolumeSetting {
    int position = 65535;
    bool muted = false;

    bool operator==(const VolumeSetting&) const = default;
};

// The stored setting, or the one that matches the current output level when none is stored or
// the stored position is not a number from 0 to 65535.
VolumeSetting LoadVolumeSetting(const platform::SettingsStore& store);
void SaveVolumeSetting(platform::SettingsStore& store, const VolumeSetting& setting);
// Sets the output level from the setting; muted, the level is remembered for unmuting.
void ApplyVolumeSetting(const VolumeSetting& setting);

}  // namespace marulo::mainwnd
