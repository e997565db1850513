// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/Volume.h"

#include <optional>

#include "platform/OutputVolume.h"

namespace marulo::mainwnd {

namespace {

std::optional<std::uint16_t>& MutedVolume() {
    static std::optional<std::uint16_t> level;
    return level;
}

}  // namespace

bool IsMuted() {
    return platform::GetOutputVolume() == 0;
}

void SetMuted(bool mute) {
    std::optional<std::uint16_t>& muted = MutedVolume();
    if (!muted || mute) {
        muted = platform::GetOutputVolume();
    }
    if (mute) {
        platform::SetOutputVolume(0);
    } else {
        platform::SetOutputVolume(*muted);
    }
}

std::uint32_t StereoVolumeValue(std::uint16_t level) {
    return std::uint32_t{level} * 65537U;
}

void ResetMutedVolumeForTesting() {
    MutedVolume().reset();
}

}  // namespace marulo::mainwnd
