// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/SoundInput.h"

namespace marulo::platform {

// A capture device as the sound system lists it: its id, kept across runs of the program, and
// the name a user knows it by.
struct SoundInputDevice {
    std::string id;
    std::string description;

    bool operator==(const SoundInputDevice&) const = default;
};

// The capture devices the system lists now; the file stand-in alone while it is set.
std::vector<SoundInputDevice> SoundInputDevices();
// The system's default capture device; nothing when there is none.
std::optional<SoundInputDevice> DefaultSoundInputDevice();

// Whether a device of that id is listed now; asked on the user-interface thread.
using DeviceListed = std::function<bool(const std::string& id)>;

// The input for one listed device. While it delivers it asks listed every 0.1 s and, once its
// device is no longer listed, ends as lost (DeviceGone): the sound system would otherwise move
// the stream to another device without a word. No listed asks nothing.
std::unique_ptr<SoundInput> CreateDeviceInput(const SoundInputDevice& device, DeviceListed listed);

// Opens and starts the device in the format for a moment, as a run would; false, with the
// reason, when it cannot. The file stand-in, when set, is what is tried.
bool TrySoundInput(const SoundInputDevice& device, const recordformat::WaveFormat& format,
                   SoundInputError& error);

// The WAV file that stands in for the sound input, played in real time, or none: chosen once by
// the program's entry (tests set and clear it) and asked by every listing and input below.
void SetSoundInputFile(std::optional<std::string> file);

// The listed device of that id; nothing when it is not connected. The file stand-in, when set,
// is the one device.
std::optional<SoundInputDevice> ListedSoundInputDevice(const std::string& id);

// The input for a run: the file stand-in when set, otherwise the listed device of that id, or
// the system's default when it is not connected or no id is given.
std::unique_ptr<SoundInput> CreateInputFor(const std::optional<std::string>& id);

}  // namespace marulo::platform
