// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace marulo::mainwnd {

// Beside the monitor button: whether a run records and for how long, by the run's own clock.
// The eye sees it every second; a screen reader hears it in the name, at once when a run starts
// or stops and otherwise at most every few seconds, so the time is not read out without a pause.
class RecordingState : public QWidget {
    Q_OBJECT
public:
    // The seconds the open run has recorded; none while no run is open.
    using Elapsed = std::function<std::optional<std::int64_t>()>;

    RecordingState(Elapsed elapsed, QWidget* parent);

    // Looks again now, as after a start or a stop.
    void Refresh();
    // Tells the state again in the current language.
    void Retranslate();
    // "Recording, 12:34" or "Not recording", as a screen reader hears it now.
    QString SpokenText() const;
    // The seconds shown; none while not recording.
    std::optional<std::int64_t> Shown() const { return m_shown; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;
    QString TextNow() const;
    void Name(Clock::time_point now);

    Elapsed m_elapsed;
    std::optional<std::int64_t> m_shown;
    QTimer m_timer;
    std::optional<Clock::time_point> m_namedAt;
    bool m_namedRecording = false;
};

}  // namespace marulo::mainwnd
