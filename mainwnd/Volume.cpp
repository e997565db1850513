// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/Volume.h"

#include <QAudio>
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "platform/OutputVolume.h"
#include "platform/SettingsStore.h"
#include "platform/WholeNumber.h"

namespace marulo::mainwnd {

namespace {

constexpr int kFullLevel = 65535;
constexpr const char* kVolumeValue = "Volume";
constexpr const char* kMutedValue = "Muted";

std::optional<std::uint16_t>& MutedVolume() {
    static std::optional<std::uint16_t> level;
    return level;
}

int ToLevel(double fraction) {
    return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * kFullLevel));
}

std::optional<int> ParseLevel(const std::string& text) {
    const std::optional<int> value = platform::ParseWholeNumber<int>(text);
    if (!value || *value < 0 || *value > kFullLevel) {
        return std::nullopt;
    }
    return value;
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

void ResetMutedVolumeForTesting() {
    MutedVolume().reset();
}

std::uint16_t OutputLevelForSlider(int position) {
    const double loudness = std::clamp(position, 0, kFullLevel) / double{kFullLevel};
    return static_cast<std::uint16_t>(ToLevel(QAudio::convertVolume(
        loudness, QAudio::LogarithmicVolumeScale, QAudio::LinearVolumeScale)));
}

int SliderForOutputLevel(std::uint16_t level) {
    // The curve reaches full gain just before its end; full stays full.
    if (level == kFullLevel) {
        return kFullLevel;
    }
    return ToLevel(QAudio::convertVolume(level / double{kFullLevel}, QAudio::LinearVolumeScale,
                                         QAudio::LogarithmicVolumeScale));
}

VolumeSetting LoadVolumeSetting(const platform::SettingsStore& store) {
    const std::uint16_t level = platform::GetOutputVolume();
    VolumeSetting setting{SliderForOutputLevel(level), level == 0};
    const std::optional<std::string> position = store.Read(kVolumeValue);
    const std::optional<int> stored = position ? ParseLevel(*position) : std::nullopt;
    if (!stored) {
        return setting;
    }
    setting.position = *stored;
    setting.muted = store.Read(kMutedValue) == std::optional<std::string>("1");
    return setting;
}

void SaveVolumeSetting(platform::SettingsStore& store, const VolumeSetting& setting) {
    store.Write(kVolumeValue, std::to_string(std::clamp(setting.position, 0, kFullLevel)));
    store.Write(kMutedValue, setting.muted ? "1" : "0");
}

void ApplyVolumeSetting(const VolumeSetting& setting) {
    const std::uint16_t level = OutputLevelForSlider(setting.position);
    if (setting.muted) {
        MutedVolume() = level;
        platform::SetOutputVolume(0);
    } else {
        platform::SetOutputVolume(level);
    }
}

}  // namespace marulo::mainwnd
