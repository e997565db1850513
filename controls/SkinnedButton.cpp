// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/SkinnedButton.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include "app/Fonts.h"
#include "controls/SkinBitmap.h"

namespace marulo::controls {

namespace {

struct TextField {
    int id;
    QColor fill;
};

const TextField* FindTextField(int id) {
    static const TextField fields[] = {
        {kWeekButtonId, QColor(255, 255, 255)},
        {kDayButtonId, QColor(255, 255, 255)},
        {kEdcDisplayId, QColor(246, 239, 255)},
    };
    for (const TextField& field : fields) {
        if (field.id == id) {
            return &field;
        }
    }
    return nullptr;
}

}  // namespace

void DrawFocusMark(QPainter& painter, const QRect& itemRect) {
    painter.save();
    painter.setClipRect(itemRect);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(kFocusMarkColour, 1.0, Qt::DotLine);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(itemRect).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    painter.restore();
}

bool IsKeyboardFocusReason(Qt::FocusReason reason) {
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::ShortcutFocusReason || reason == Qt::PopupFocusReason;
}

bool IsTextField(int id) {
    return FindTextField(id) != nullptr;
}

int SkinnedButtonBitmap(int id, const ButtonState& state) {
    switch (id) {
        case kMinimizeButtonId:
            return 166;
        case kCloseButtonId:
            return 134;
        case kMotherListButtonId:
            return 145;
        case kMonitorButtonId:
            return state.capturing ? 143 : 139;
        case kCalendarButtonId:
            return 202;
        case kPlayButtonId:
            return state.playing ? 153 : 154;
        case kMuteButtonId:
            return state.muted ? 164 : 165;
        default:
            return 0;
    }
}

bool DrawSkinnedButton(int id, QPainter& painter, const QRect& itemRect, bool pressed,
                       const ButtonState& state, const QString& text) {
    if (const int number = SkinnedButtonBitmap(id, state); number != 0) {
        // Button pictures are loaded for one paint only.
        SkinBitmap bitmap;
        bitmap.Load(number);
        QPoint corner = itemRect.topLeft();
        if (pressed && id != kMotherListButtonId) {
            corner += QPoint(1, 1);
        }
        painter.save();
        painter.setClipRect(itemRect);
        bitmap.DrawAt(painter, corner);
        painter.restore();
        return true;
    }
    if (const TextField* field = FindTextField(id)) {
        painter.save();
        painter.fillRect(itemRect, field->fill);
        painter.setFont(app::UiFont(false));
        painter.setPen(QColor(0, 0, 0));
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.drawText(itemRect, Qt::AlignCenter | Qt::TextSingleLine, text);
        painter.restore();
        return true;
    }
    return false;
}

SkinnedButton::SkinnedButton(int id, StateSource stateSource, QWidget* parent)
    : QAbstractButton(parent), m_id(id), m_stateSource(std::move(stateSource)) {
    // The EDC field shows a value and has no command.
    setFocusPolicy(id == kEdcDisplayId ? Qt::NoFocus : Qt::TabFocus);
}

void SkinnedButton::SetTipSource(TipSource source) {
    m_tipSource = std::move(source);
    RefreshTip();
}

void SkinnedButton::RefreshTip() {
    if (!m_tipSource) {
        return;
    }
    const QString tip = m_tipSource();
    QString name = tip;
    if (!text().isEmpty()) {
        name = IsTextField(m_id) ? tip + QStringLiteral(": ") + text() : text();
    }
    if (toolTip() != tip) {
        setToolTip(tip);
        setAccessibleDescription(tip);
    }
    if (accessibleName() != name) {
        setAccessibleName(name);
    }
}

void SkinnedButton::paintEvent(QPaintEvent*) {
    RefreshTip();
    QPainter painter(this);
    const ButtonState state = m_stateSource ? m_stateSource() : ButtonState{};
    if (!DrawSkinnedButton(m_id, painter, rect(), isDown(), state, text()) && m_fallbackPainter) {
        m_fallbackPainter(painter, *this);
    }
    if (hasFocus() && m_keyboardFocus) {
        DrawFocusMark(painter, rect());
    }
}

void SkinnedButton::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus = IsKeyboardFocusReason(event->reason());
    QAbstractButton::focusInEvent(event);
}

void SkinnedButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        event->accept();
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

}  // namespace marulo::controls
