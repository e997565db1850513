// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <cstddef>

class QWidget;

#include "controls/SkinnedButton.h"

namespace marulo::session {
class MonitoringSession;
}

namespace marulo::mainwnd {

// The "baby moved" control of a run: the button beside the monitor button and the M key on the
// monitor button and the live view mark the run's current second through the session. The button
// counts the run's marks, so each press is seen taken; it is enabled only while a run is open.
class MovementMarks : public QObject {
    Q_OBJECT
public:
    // The button is a child of the window, to be placed by it; the key works on these two.
    MovementMarks(QWidget& window, session::MonitoringSession& session, QWidget& monitorButton,
                  QWidget& liveView);

    controls::SkinnedButton* Button() const { return m_button; }
    void Mark();
    // A run opened: its count starts at nothing.
    void OnRunOpened();
    // Enabled while the run is open.
    void Refresh(bool runOpen);
    void ApplyTexts();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    session::MonitoringSession& m_session;
    QPointer<controls::SkinnedButton> m_button;
    std::size_t m_count = 0;
};

}  // namespace marulo::mainwnd
