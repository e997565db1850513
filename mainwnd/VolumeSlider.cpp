// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/VolumeSlider.h"

#include <QFocusEvent>
#include <QPainter>
#include <QRegion>
#include <QStyleOptionSlider>

#include "controls/LayoutScale.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"

namespace marulo::mainwnd {

VolumeSlider::VolumeSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::NoTicks);
    // Arrow and Page keys move it once it has the focus, by Tab or by a click.
    setFocusPolicy(Qt::StrongFocus);
}

void VolumeSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The style places groove and handle in the slider's own pixels, where the mouse meets them;
    // the skin's pictures are drawn over them at the layout scale.
    painter.save();
    const double scale = controls::PaintInLayout(painter, *this);
    const auto inLayout = [scale](const QRect& rect) {
        return QRectF(rect.x() / scale, rect.y() / scale, rect.width() / scale,
                      rect.height() / scale)
            .toRect();
    };
    controls::CachedSkinBitmap(controls::skin::kVolumeChannel)
        .DrawCentred(painter, inLayout(groove));
    controls::CachedSkinBitmap(controls::skin::kVolumeThumb).DrawCentred(painter, inLayout(handle));
    painter.restore();
    if (hasFocus() && m_keyboardFocus) {
        controls::DrawFocusMark(painter, rect());
    }
}

void VolumeSlider::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus = controls::IsKeyboardFocusReason(event->reason());
    QSlider::focusInEvent(event);
}

void VolumeSlider::resizeEvent(QResizeEvent* event) {
    QSlider::resizeEvent(event);
    // One pixel is cut off every side.
    setMask(QRegion(rect().adjusted(1, 1, -1, -1)));
}

}  // namespace marulo::mainwnd
