// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QWidget>

namespace marulo::mainwnd {

// A window without the system's frame: its face painted from the skin at the layout scale, its
// corners rounded off, moved by a drag on the face wherever no control lies.
class FramelessFrame : public QWidget {
    Q_OBJECT
public:
    // The window and everything in it shrink by the layout scale, kept within
    // controls::kSmallestLayoutScale and 1.
    FramelessFrame(QSize size, double layoutScale, QWidget* parent = nullptr);

    void CentreOnWorkArea();

signals:
    // Shown, hidden, minimised, restored, activated or deactivated.
    void shownStateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void ApplyRoundedMask();

    bool m_dragging = false;
    QPoint m_dragOffset;
};

}  // namespace marulo::mainwnd
