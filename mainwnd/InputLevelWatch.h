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
// start: at a low duty (open for a moment, then let go) while allowed, and not at all otherwise.
// The levels reach the show function on this object's thread; nothing when the watch stops.
class InputLevelWatch : public QObject {
public:
    static constexpr int kPeriodMilliseconds = 2000;
    static constexpr int kListenMilliseconds = 500;

    using Show = std::function<void(std::optional<livesignal::InputLevelValue> value)>;

    InputLevelWatch(const platform::SoundInputChoice& choice, Show show, QObject* parent);
    ~InputLevelWatch() override;

    // Starts listening, or stops and lets the device go before returning.
    void SetAllowed(bool allowed);
    // Whether the device is open for a moment of listening now.
    bool Listening() const { return m_probe.AnyThreadRunning(); }

private:
    void ListenForAMoment();
    void LetGo();

    Show m_show;
    livesignal::InputLevelListener m_listener;
    acquisition::CaptureController m_probe;
    QTimer m_period;
    QTimer m_moment;
    bool m_allowed = false;
};

}  // namespace marulo::mainwnd
