// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "acquisition/AcquisitionListener.h"
#include "platform/SoundInput.h"

namespace marulo::acquisition {

// The stop request posted to the capture thread.
inline constexpr std::uint32_t WM_CAPTURE_STOP = 1028;

// What the capture thread knows when the sound input cannot be opened or started, or was lost
// while a run recorded, or never delivered once started (the run has then been closed and its
// record stored; inputLost is set for both).
struct CaptureError {
    bool anyCaptureDevice = false;
    int code = 0;
    std::string systemText;
    platform::SoundInputProblem problem = platform::SoundInputProblem::Unknown;
    std::string subject;
    bool inputLost = false;
    bool noSound = false;  // the input opened but brought no sound at all
};

CaptureError CaptureErrorOf(const platform::SoundInputError& error, bool anyCaptureDevice,
                            bool inputLost);

// Holds the ordered acquisition listeners and runs one capture thread at a time.
class CaptureController {
public:
    using SoundInputFactory = std::function<std::unique_ptr<platform::SoundInput>()>;
    // Called on the capture thread, which goes on at once: it must hand the error over, not
    // wait for anyone.
    using ErrorReporter = std::function<void(const CaptureError&)>;
    // Whether the system has any capture device; asked when the sound input fails.
    using DevicePresence = std::function<bool()>;

    CaptureController(SoundInputFactory factory, DevicePresence anyCaptureDevice);
    ~CaptureController();
    CaptureController(const CaptureController&) = delete;
    CaptureController& operator=(const CaptureController&) = delete;

    void AddListener(AcquisitionListener& listener);
    // Takes out every entry referring to the listener.
    void RemoveListener(AcquisitionListener& listener);

    bool IsCapturing() const;
    // Does nothing while capturing. A new thread waits until an earlier one has finished closing
    // before it opens the sound input, so two runs never write the working files at once.
    void StartCapture();
    // Posts the stop request and forgets the thread at once, without waiting for it.
    void StopCapture();

    // True while any capture thread, also one that was asked to stop, has not ended.
    bool AnyThreadRunning() const;
    // Blocks until every capture thread has ended, woken by their ends. Only where nobody can act
    // any more (the program's end, a test's end): nothing a closing thread does waits for the
    // caller.
    void AwaitAllEnded();

    void SetErrorReporter(ErrorReporter reporter);
    // Called on each capture thread once it has let the sound input go and its listeners are
    // done, also when the input never opened; it must not wait for anyone.
    void SetRunEndedNotice(std::function<void()> notice);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace marulo::acquisition
