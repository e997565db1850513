// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAudioDevice>
#include <functional>
#include <memory>

#include "platform/SoundDevices.h"

namespace marulo::platform {

struct SourceState;

// A capture device through Qt Multimedia, driven from a thread without an event loop. A move
// of its stream to another device, which the sound server makes when the device goes, ends it
// as lost: a run hears only the device it started on.
class QtSoundInput final : public SoundInput {
public:
    QtSoundInput(QAudioDevice device, DeviceListed listed);
    ~QtSoundInput() override;
    QtSoundInput(const QtSoundInput&) = delete;
    QtSoundInput& operator=(const QtSoundInput&) = delete;

    bool Open(const recordformat::WaveFormat& format, ThreadMessageQueue& owner,
              SoundInputError& error) override;
    void AddBuffer(std::unique_ptr<SoundBuffer> buffer) override;
    bool Start(SoundInputError& error) override;
    void Stop() override;
    void Reset() override;
    SoundInputError LostError() const override;
    void Close() override;

private:
    static void StartInSoundThread(SourceState& state);
    static SoundInputError NoAnswer();
    // Runs the work in the sound thread and waits for it, at most a few seconds; once the sound
    // system did not answer in time, later work is posted without waiting. False when it did
    // not run in time.
    bool InSoundThread(std::function<void(SourceState&)> work);

    const std::shared_ptr<SourceState> m_state;
    ThreadMessageQueue* m_owner = nullptr;
    bool m_posted = false;
    bool m_unanswered = false;
};

}  // namespace marulo::platform
