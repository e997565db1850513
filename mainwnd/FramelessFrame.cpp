// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/FramelessFrame.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "controls/LayoutScale.h"
#include "controls/WindowLayout.h"
#include "mainwnd/PanelPainter.h"
#include "mainwnd/WindowPlacement.h"

namespace marulo::mainwnd {

using namespace controls;

FramelessFrame::FramelessFrame(QSize size, double layoutScale, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    SetLayoutScale(*this, std::clamp(layoutScale, kSmallestLayoutScale, 1.0));
    setFixedSize(ScaledSize(size, LayoutScale(*this)));
    // The face is painted whole; there is nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    ApplyRoundedMask();
}

void FramelessFrame::ApplyRoundedMask() {
    // The rounded rectangle spans one pixel beyond the window, with 15 x 15 corner ellipses.
    const double scale = LayoutScale(*this);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), 7.5 * scale, 7.5 * scale);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void FramelessFrame::CentreOnWorkArea() {
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) {
        return;
    }
    const QRect work = shown->availableGeometry();
    const ScreenPoint corner = CentredTopLeft(
        {work.left(), work.top(), work.left() + work.width(), work.top() + work.height()}, width(),
        height());
    move(corner.x, corner.y);
}

void FramelessFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintInLayout(painter, *this);
    PaintPanel(painter);
}

void FramelessFrame::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || childAt(event->position().toPoint()) != nullptr) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void FramelessFrame::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void FramelessFrame::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void FramelessFrame::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit shownStateChanged();
}

void FramelessFrame::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit shownStateChanged();
}

void FramelessFrame::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::ActivationChange) {
        emit shownStateChanged();
    }
}

}  // namespace marulo::mainwnd
