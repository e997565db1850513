// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/MovementMarks.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include "controls/WindowTexts.h"
#include "session/MonitoringSession.h"

namespace marulo::mainwnd {

using controls::Message;

MovementMarks::MovementMarks(QWidget& window, session::MonitoringSession& session,
                             QWidget& monitorButton, QWidget& liveView)
    : QObject(&window), m_session(session), m_button(new QPushButton(&window)) {
    m_button->setEnabled(false);
    connect(m_button, &QPushButton::clicked, this, &MovementMarks::Mark);
    // Only where M types nothing: the name box keeps its letter.
    for (QWidget* owner : {&monitorButton, &liveView, static_cast<QWidget*>(m_button)}) {
        owner->installEventFilter(this);
    }
    ApplyTexts();
}

bool MovementMarks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_M && (key->modifiers() & ~Qt::KeypadModifier) == 0) {
            Mark();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void MovementMarks::Mark() {
    const std::optional<session::MarkTaken> taken = m_session.Mark();
    if (!taken) {
        return;
    }
    m_count = taken->count;
    ApplyTexts();
}

void MovementMarks::OnRunOpened() {
    m_count = 0;
    ApplyTexts();
    Refresh(true);
}

void MovementMarks::Refresh(bool runOpen) {
    m_button->setEnabled(runOpen);
}

void MovementMarks::ApplyTexts() {
    m_button->setText(m_count == 0 ? Message("MarkButton")
                                   : Message("MarkCount").arg(static_cast<qulonglong>(m_count)));
    // The name a screen reader hears is the caption, with the count.
    m_button->setToolTip(Message("TipMark"));
    m_button->setAccessibleDescription(Message("TipMark"));
}

}  // namespace marulo::mainwnd
