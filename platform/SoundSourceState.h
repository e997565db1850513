// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudio>
#include <QAudioDevice>
#include <QAudioSource>
#include <QIODevice>
#include <QTimer>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/SoundBufferQueue.h"
#include "platform/SoundDevices.h"

namespace marulo::platform {

// One input's source and what its signals touch. Shared by the input and the work it posts to
// the sound thread, so work that runs late, after the sound server answered again, finds it.
struct SourceState : std::enable_shared_from_this<SourceState> {
    SourceState(QAudioDevice audioDevice, DeviceListed deviceListed)
        : device(std::move(audioDevice)), listed(std::move(deviceListed)) {}

    // Any thread.
    void SetOwner(ThreadMessageQueue* queue) {
        buffers.SetOwner(queue);
        std::lock_guard lock(mutex);
        owner = queue;
    }
    SoundInputError Lost() const {
        std::lock_guard lock(mutex);
        return lost;
    }

    // In the sound thread.
    void ReportLost(SoundInputError error);

    // Asks the user-interface thread, which keeps the device list, whether the device is still
    // listed; a device gone is told back here at once.
    void CheckDevice();

    const QAudioDevice device;
    const DeviceListed listed;
    SoundBufferQueue buffers;
    mutable std::mutex mutex;
    ThreadMessageQueue* owner = nullptr;  // under mutex
    SoundInputError lost;                 // under mutex
    // The members below are touched only in the sound thread.
    std::unique_ptr<QAudioSource> source;
    QIODevice* stream = nullptr;  // owned by source
    std::unique_ptr<QTimer> deviceCheck;
    bool delivering = false;
    QAudio::Error startFailure = QAudio::NoError;
};

}  // namespace marulo::platform
