// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundInputChoice.h"

#include <utility>

namespace marulo::platform {

std::unique_ptr<SoundInput> CreateSoundInput() {
    return SoundInputChoice().CreateInput();
}

void SoundInputChoice::Choose(std::optional<SoundInputDevice> device) {
    std::lock_guard lock(m_mutex);
    m_chosen = std::move(device);
}

std::optional<SoundInputDevice> SoundInputChoice::Chosen() const {
    std::lock_guard lock(m_mutex);
    return m_chosen;
}

std::optional<SoundInputDevice> SoundInputChoice::InUse() const {
    if (const std::optional<SoundInputDevice> chosen = Chosen()) {
        if (std::optional<SoundInputDevice> listed = ListedSoundInputDevice(chosen->id)) {
            return listed;
        }
    }
    return DefaultSoundInputDevice();
}

std::unique_ptr<SoundInput> SoundInputChoice::CreateInput() const {
    const std::optional<SoundInputDevice> chosen = Chosen();
    return CreateInputFor(chosen ? std::optional<std::string>(chosen->id) : std::nullopt);
}

}  // namespace marulo::platform
