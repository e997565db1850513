// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundDevices.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <filesystem>
#include <mutex>
#include <utility>

#include "platform/FileSoundInput.h"
#include "platform/QtSoundInput.h"

namespace marulo::platform {

namespace {

std::mutex g_standInMutex;
std::string g_standIn;  // under g_standInMutex; empty while none is set

// The file that stands in for the sound input; nullopt while none is set.
std::optional<std::string> SoundInputFile() {
    const std::lock_guard lock(g_standInMutex);
    return g_standIn.empty() ? std::nullopt : std::optional(g_standIn);
}

// The file that stands in for the sound input, as the one device there is.
SoundInputDevice StandInDevice(const std::string& file) {
    return {file, std::filesystem::path(file).filename().string()};
}

SoundInputDevice DeviceOf(const QAudioDevice& device) {
    return {device.id().toStdString(), device.description().toStdString()};
}

// The listed device of that id; a null device when it is not connected.
QAudioDevice FindDevice(const std::string& id) {
    for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
        if (device.id().toStdString() == id) {
            return device;
        }
    }
    return {};
}

// Whether a device of that id is listed now; on the user-interface thread, which keeps the list.
bool Listed(const std::string& id) {
    return !FindDevice(id).isNull();
}

// The input for a device; the file stand-in instead while it is set.
std::unique_ptr<SoundInput> InputFor(const QAudioDevice& device) {
    if (const std::optional<std::string> file = SoundInputFile()) {
        return std::make_unique<FileSoundInput>(*file);
    }
    return std::make_unique<QtSoundInput>(device, &Listed);
}

}  // namespace

void SetSoundInputFile(std::optional<std::string> file) {
    std::string chosen = std::move(file).value_or("");
    const std::lock_guard lock(g_standInMutex);
    g_standIn = std::move(chosen);
}

std::vector<SoundInputDevice> SoundInputDevices() {
    if (const std::optional<std::string> file = SoundInputFile()) {
        return {StandInDevice(*file)};
    }
    std::vector<SoundInputDevice> devices;
    for (const QAudioDevice& device : QMediaDevices::audioInputs()) {
        devices.push_back(DeviceOf(device));
    }
    return devices;
}

std::optional<SoundInputDevice> DefaultSoundInputDevice() {
    if (const std::optional<std::string> file = SoundInputFile()) {
        return StandInDevice(*file);
    }
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull()) {
        return std::nullopt;
    }
    return DeviceOf(device);
}

std::unique_ptr<SoundInput> CreateDeviceInput(const SoundInputDevice& device, DeviceListed listed) {
    return std::make_unique<QtSoundInput>(FindDevice(device.id), std::move(listed));
}

bool TrySoundInput(const SoundInputDevice& device, const recordformat::WaveFormat& format,
                   SoundInputError& error) {
    const std::unique_ptr<SoundInput> input = InputFor(FindDevice(device.id));
    ThreadMessageQueue queue;
    if (!input->Open(format, queue, error)) {
        return false;
    }
    const bool started = input->Start(error);
    input->Stop();
    input->Reset();
    input->Close();
    return started;
}

std::optional<SoundInputDevice> ListedSoundInputDevice(const std::string& id) {
    if (const std::optional<std::string> file = SoundInputFile()) {
        return StandInDevice(*file);
    }
    if (const QAudioDevice device = FindDevice(id); !device.isNull()) {
        return DeviceOf(device);
    }
    return std::nullopt;
}

std::unique_ptr<SoundInput> CreateInputFor(const std::optional<std::string>& id) {
    QAudioDevice device = id ? FindDevice(*id) : QAudioDevice();
    if (device.isNull()) {
        device = QMediaDevices::defaultAudioInput();
    }
    return InputFor(device);
}

bool AnyCaptureDeviceExists() {
    return SoundInputFile().has_value() || !QMediaDevices::audioInputs().isEmpty();
}

}  // namespace marulo::platform
