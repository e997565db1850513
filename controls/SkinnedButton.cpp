// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/SkinnedButton.h"

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
    setFocusPolicy(Qt::NoFocus);
}

void SkinnedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const ButtonState state = m_stateSource ? m_stateSource() : ButtonState{};
    if (!DrawSkinnedButton(m_id, painter, rect(), isDown(), state, text()) && m_fallbackPainter) {
        m_fallbackPainter(painter, *this);
    }
}

}  // namespace marulo::controls
