// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>

namespace marulo::bench {

// The longest time the user-interface thread's event loop went without turning, measured by a
// timer that fires every millisecond while the loop is free: any longer gap is a stall a user
// would feel.
class UiStallMeter {
public:
    using Clock = std::chrono::steady_clock;

    explicit UiStallMeter(QObject* context) : m_timer(context) {
        m_timer.setInterval(1);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, context, [this] { Tick(); });
    }

    // Starts (again) from now, forgetting what was measured before.
    void Start() {
        m_longest = {};
        m_last = Clock::now();
        m_timer.start();
    }
    void Stop() {
        Tick();
        m_timer.stop();
    }
    double LongestMilliseconds() const {
        return std::chrono::duration<double, std::milli>(m_longest).count();
    }

private:
    void Tick() {
        const Clock::time_point now = Clock::now();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    Clock::time_point m_last;
    Clock::duration m_longest{};
};

}  // namespace marulo::bench
