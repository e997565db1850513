// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/SkinnedButton.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>

#include "app/Fonts.h"
#include "controls/LayoutScale.h"
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

// Readable on the white and lavender fields, yet plainly not a value.
const QColor kPlaceholderColour(110, 110, 110);

}  // namespace

void DrawFocusMark(QPainter& painter, const QRect& itemRect) {
    painter.save();
    painter.setClipRect(itemRect);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kFocusMarkColour, kFocusMarkWidth));
    painter.setBrush(Qt::NoBrush);
    // Centred on the second pixel row from each edge: the pen covers the first two whole.
    constexpr double inset = kFocusMarkWidth / 2.0 + 1.0;
    painter.drawRoundedRect(QRectF(itemRect).adjusted(inset, inset, -inset, -inset), 3, 3);
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
            return skin::kMinimizeButton;
        case kCloseButtonId:
            return skin::kCloseButton;
        case kMotherListButtonId:
            return skin::kProfilePanel;
        case kMonitorButtonId:
            return state.capturing ? skin::kMonitorSaveButton : skin::kMonitorStartButton;
        case kCalendarButtonId:
            return skin::kCalendarButton;
        case kPlayButtonId:
            return state.playing ? skin::kStopButton : skin::kPlayButton;
        case kMuteButtonId:
            return state.muted ? skin::kMutedSpeaker : skin::kSoundingSpeaker;
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
    painter.save();
    PaintInLayout(painter, *this);
    const ButtonState state = m_stateSource ? m_stateSource() : ButtonState{};
    if (!DrawSkinnedButton(m_id, painter, LayoutRect(*this), isDown(), state, text()) &&
        m_fallbackPainter) {
        m_fallbackPainter(painter, *this);
    }
    if (text().isEmpty() && !m_placeholder.isEmpty() && IsTextField(m_id)) {
        painter.setFont(app::UiFont(false));
        painter.setPen(kPlaceholderColour);
        painter.drawText(LayoutRect(*this), Qt::AlignCenter | Qt::TextSingleLine, m_placeholder);
    }
    // The focus mark keeps its width in screen pixels.
    painter.restore();
    if (hasFocus() && m_keyboardFocus) {
        DrawFocusMark(painter, rect());
    }
}

void SkinnedButton::SetPlaceholder(const QString& hint) {
    if (m_placeholder != hint) {
        m_placeholder = hint;
        update();
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
