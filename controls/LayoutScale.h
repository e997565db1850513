// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QScrollBar>

class QPainter;
class QWidget;

// On a screen too small for it, the main window lays itself out at a scale below 1: its controls
// take the layout table's rectangles scaled, and what paints skin bitmaps or at fixed places
// paints in the table's coordinates under the scale. Qt's own scaling below 1 is no use here: it
// paints such a window at full size, clipped and with black patches.
namespace marulo::controls {

// Sets the scale a window's controls are laid out and painted at (1 lays out the table as it is).
void SetLayoutScale(QWidget& window, double scale);
// The layout scale of the window the widget lies in; 1 for a window that has none.
double LayoutScale(const QWidget& widget);

// The widget's rectangle in the table's coordinates, at its top-left corner.
QRect LayoutRect(const QWidget& widget);
// A position in the widget (a mouse position, say) in the table's coordinates.
QPoint ToLayout(const QWidget& widget, QPointF position);
// Makes the painter draw in the table's coordinates on the widget: scaled, with bitmaps
// smoothly transformed. Returns the scale.
double PaintInLayout(QPainter& painter, const QWidget& widget);
// A font for a plain widget (or its measures) at the widget's layout scale, so its text keeps
// fitting its scaled box.
QFont LayoutFont(const QWidget& widget, const QFont& font);

// A scroll bar as high as the layout scale makes it, so the area it scrolls keeps the height it
// has in the table's coordinates.
class LayoutScrollBar : public QScrollBar {
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;
    QSize sizeHint() const override;
};

}  // namespace marulo::controls
