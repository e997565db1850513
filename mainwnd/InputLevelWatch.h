// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

#include "acquisition/CaptureController.h"
#include "livesignal/InputLevelListener.h"
#include "platform/SoundInputChoice.h"

namespace marulo::mainwnd {

// Listens to the chosen input between runs, so the user sees the cable works before pressing
// start: one steady stream while it is wanted, none otherwise (a stream opened now and then
// would make the desktop's microphone-in-use sign blink). Whether it is wanted is asked every
// period, when a stream that ended by itself may be opened again, and whenever the owner says
// things changed. The levels reach the show function on this object's thread; nothing when the
// watch lets go. Nothing here waits for the sound system.
class InputLevelWatch : public QObject {
public:
    static constexpr int kPeriodMilliseconds = 1000;

    using Show = std::function<void(std::optional<livesignal::InputLevelValue> value)>;
    using Wanted = std::function<bool()>;

    InputLevelWatch(const platform::SoundInputChoice& choice, Show show, Wanted wanted,
                    QObject* parent);
    ~InputLevelWatch() override;

    // Listens now when wanted, otherwise lets go.
    void Reconsider();
    // Lets the device go at once, as before a run opens it; its closing goes on without the
    // caller. Listening resumes when it is wanted again.
    void LetGo();
    // Whether the stream is open (or opening) now.
    bool Listening() const { return m_probe.IsCapturing(); }

private:
    Show m_show;
    Wanted m_wanted;
    livesignal::InputLevelListener m_listener;
    acquisition::CaptureController m_probe;
    QTimer m_period;
    bool m_showing = false;
};

}  // namespace marulo::mainwnd
