// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/LayoutScale.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace marulo::controls {

namespace {

constexpr char kLayoutScaleProperty[] = "maruloLayoutScale";

int Rounded(double value) {
    return static_cast<int>(std::lround(value));
}

}  // namespace

void SetLayoutScale(QWidget& window, double scale) {
    window.setProperty(kLayoutScaleProperty, scale);
}

double LayoutScale(const QWidget& widget) {
    bool set = false;
    const double scale = widget.window()->property(kLayoutScaleProperty).toDouble(&set);
    return set && scale > 0 ? scale : 1.0;
}

QRect LayoutRect(const QWidget& widget) {
    const double scale = LayoutScale(widget);
    return {0, 0, Rounded(widget.width() / scale), Rounded(widget.height() / scale)};
}

QPoint ToLayout(const QWidget& widget, QPointF position) {
    const double scale = LayoutScale(widget);
    if (scale == 1.0) {
        return position.toPoint();
    }
    // The table pixel the position lies in.
    return {static_cast<int>(std::floor(position.x() / scale)),
            static_cast<int>(std::floor(position.y() / scale))};
}

double PaintInLayout(QPainter& painter, const QWidget& widget) {
    const double scale = LayoutScale(widget);
    if (scale != 1.0) {
        painter.scale(scale, scale);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    return scale;
}

QFont LayoutFont(const QWidget& widget, const QFont& font) {
    const double scale = LayoutScale(widget);
    if (scale == 1.0) {
        return font;
    }
    QFont scaled = font;
    if (font.pixelSize() > 0) {
        scaled.setPixelSize(std::max(1, Rounded(font.pixelSize() * scale)));
    } else {
        scaled.setPointSizeF(font.pointSizeF() * scale);
    }
    return scaled;
}

QSize LayoutScrollBar::sizeHint() const {
    QSize hint = QScrollBar::sizeHint();
    const double scale = LayoutScale(*this);
    if (orientation() == Qt::Horizontal) {
        hint.setHeight(Rounded(hint.height() * scale));
    } else {
        hint.setWidth(Rounded(hint.width() * scale));
    }
    return hint;
}

}  // namespace marulo::controls
