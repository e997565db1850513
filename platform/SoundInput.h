// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <utility>

#include "platform/ThreadMessageQueue.h"
#include "recordformat/WaveFormat.h"

namespace marulo::platform {

// What went wrong, for the words the user reads in the program's language.
enum class SoundInputProblem {
    Unknown,  // only the sound system's text tells
    NoDevice,
    FormatRefused,  // subject: the device's description
    OpenFailed,
    ReadFailed,
    Underrun,
    Fatal,
    FileUnreadable,  // subject: the file
    FileFormat,      // subject: the file
    DeviceGone,      // subject: the device's description
    NoAnswer,        // the sound system did not answer in time
};

struct SoundInputError {
    SoundInputError() = default;
    SoundInputError(int errorCode, std::string systemText,
                    SoundInputProblem kind = SoundInputProblem::Unknown, std::string about = {})
        : code(errorCode), text(std::move(systemText)), problem(kind), subject(std::move(about)) {}

    int code = 0;
    std::string text;  // the sound system's own words for the failure, in English
    SoundInputProblem problem = SoundInputProblem::Unknown;
    std::string subject;
};

// A sound input in the manner of a wave-in device that notifies a thread: buffers are queued
// empty, come back filled as kMessageInputData, and the open and close are posted as well. An
// input that stops delivering by itself while started posts kMessageInputLost once. No call
// waits on a sound system that does not answer for longer than a few seconds.
class SoundInput {
public:
    virtual ~SoundInput() = default;

    // Opens the default capture device in the given format; posts kMessageInputOpen once open.
    virtual bool Open(const recordformat::WaveFormat& format, ThreadMessageQueue& owner,
                      SoundInputError& error) = 0;
    // Queues an empty buffer; filled buffers are posted to the owner in queue order.
    virtual void AddBuffer(std::unique_ptr<SoundBuffer> buffer) = 0;
    virtual bool Start(SoundInputError& error) = 0;
    virtual void Stop() = 0;
    // Drops every buffer still queued without posting it.
    virtual void Reset() = 0;
    // Posts kMessageInputClose; no message follows it.
    virtual void Close() = 0;
    // Why the input was lost, once kMessageInputLost has been posted.
    virtual SoundInputError LostError() const { return {}; }
};

// Environment variable naming a WAV file that stands in for the sound input, played in real time;
// the program's entry reads it once and hands it to SetSoundInputFile.
inline constexpr const char* kSoundInputFileVariable = "MARULO_SOUND_INPUT_FILE";

// The sound input the program uses: the file set by SetSoundInputFile when there is one,
// otherwise the system's default capture device.
std::unique_ptr<SoundInput> CreateSoundInput();

// Whether the system has at least one capture device (or the file stand-in is chosen).
bool AnyCaptureDeviceExists();

// Whether every call into the sound system has ended, waiting for that at most the bound. A
// sound server that hangs keeps a call inside its library, whose own teardown at the process's
// end would then fail: a program ending then leaves without running it.
bool SoundSystemAnswers(std::chrono::milliseconds bound);

}  // namespace marulo::platform
