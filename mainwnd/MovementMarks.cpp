// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/MovementMarks.h"

#include <QEvent>
#include <QKeyEvent>
#include <QWidget>

#include <QPainter>

#include "controls/LayoutScale.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowTexts.h"
#include "session/MonitoringSession.h"

namespace marulo::mainwnd {

using controls::Message;

MovementMarks::MovementMarks(QWidget& window, session::MonitoringSession& session,
                             QWidget& monitorButton, QWidget& liveView)
    : QObject(&window),
      m_session(session),
      m_button(new controls::SkinnedButton(controls::kMarkButtonId, {}, &window)) {
    m_button->setEnabled(false);
    // A caption panel like the bottom strip's, faded while it cannot be pressed; a screen reader
    // hears the caption as its name and the tip as its description.
    m_button->SetFallbackPainter([](QPainter& painter, const controls::SkinnedButton& button) {
        painter.setOpacity(button.isEnabled() ? 1.0 : 0.4);
        controls::DrawTextPanel(painter, controls::LayoutRect(button), button.isDown(),
                                button.text());
    });
    m_button->SetTipSource([] { return Message("TipMark"); });
    m_button->setCursor(controls::PointingCursor());
    connect(m_button, &QAbstractButton::clicked, this, &MovementMarks::Mark);
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
}

}  // namespace marulo::mainwnd
