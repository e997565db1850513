// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/SoundDevices.h"

namespace marulo::platform {

// The input the user chose, kept by its id; while none is chosen, or the chosen one is not
// connected, the system's default is used. Read and changed from any thread.
class SoundInputChoice {
public:
    void Choose(std::optional<SoundInputDevice> device);
    std::optional<SoundInputDevice> Chosen() const;
    // The device a run opens now: the chosen one when the system lists it, else the default.
    std::optional<SoundInputDevice> InUse() const;
    // The input for a run: the file stand-in when set, otherwise the device in use.
    std::unique_ptr<SoundInput> CreateInput() const;

private:
    mutable std::mutex m_mutex;
    std::optional<SoundInputDevice> m_chosen;
};

}  // namespace marulo::platform
