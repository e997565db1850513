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
// start: at a low duty (open for a moment every period, then let go) while it is wanted, and not
// at all otherwise. Whether it is wanted is asked at every period and whenever the owner says
// things changed. The levels reach the show function on this object's thread; nothing when the
// watch lets go.
class InputLevelWatch : public QObject {
public:
    static constexpr int kPeriodMilliseconds = 2000;
    static constexpr int kListenMilliseconds = 500;

    using Show = std::function<void(std::optional<livesignal::InputLevelValue> value)>;
    using Wanted = std::function<bool()>;

    InputLevelWatch(const platform::SoundInputChoice& choice, Show show, Wanted wanted,
                    QObject* parent);
    ~InputLevelWatch() override;

    // Listens now when wanted, otherwise lets go.
    void Reconsider();
    // Lets the device go before returning, as before a run opens it; listening resumes when
    // it is wanted again.
    void LetGo();
    // Whether the device is open for a moment of listening now.
    bool Listening() const { return m_probe.AnyThreadRunning(); }

private:
    void ListenForAMoment();

    Show m_show;
    Wanted m_wanted;
    livesignal::InputLevelListener m_listener;
    acquisition::CaptureController m_probe;
    QTimer m_period;
    QTimer m_moment;
    bool m_showing = false;
};

}  // namespace marulo::mainwnd
