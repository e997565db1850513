// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace marulo::platform {

// The program's own output level, 0 (silent) to 65535 (full), the same on both channels; every
// playback follows it at once. Used on the user-interface thread.
std::uint16_t GetOutputVolume();
void SetOutputVolume(std::uint16_t level);

using OutputVolumeObserver = std::function<void(std::uint16_t level)>;
// Returns a handle for RemoveOutputVolumeObserver.
int AddOutputVolumeObserver(OutputVolumeObserver observer);
void RemoveOutputVolumeObserver(int handle);

}  // namespace marulo::platform
