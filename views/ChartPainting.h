// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPointF>
#include <QRect>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "ratecheck/RateCheck.h"
#include "views/ChartGeometry.h"
#include "views/RateLook.h"

class QPainter;
class QPen;

namespace marulo::views {

// The layers of the heart-rate chart, each drawn on the shown page at its scroll offset.

QRect ToQRect(const Rect& rect);

// The white label strip over the grid tiles, a page and a minute wide, at the device pixel ratio;
// the page is copied out of it from the offset's place within a minute. Made again only when the
// page's size or resolution changes.
class GridStrip {
public:
    const QPixmap& For(int clientWidth, int clientHeight, qreal devicePixelRatio);

private:
    QPixmap m_strip;
};

void PaintMinuteLabels(QPainter& painter, int offset, int chartWidth, int clientHeight,
                       ColumnSpan visible);

// Only what the check (or while live, the live mark) lets stand is drawn as the baby's rate. The
// points are scratch space kept between paints.
void PaintTraceLayers(QPainter& painter, std::span<const std::int32_t> trace,
                      const TraceLayers& layers, int offset, int clientHeight, ColumnSpan visible,
                      std::vector<QPointF>& points);

// The figure of the second playing, top right.
void PaintReadout(QPainter& painter, const ShownRate& shown, int clientWidth, int clientHeight);

// On every page, low in the band where no rate is drawn, so it is seen wherever the chart is.
void PaintNote(QPainter& painter, const QString& note, int clientWidth, int clientHeight);

// A "baby moved" mark at each marked second: an arrow on the top edge of the grid pointing down
// at that second, with a tick below it, as a fetal monitor marks an event on its paper.
void PaintMovementMarks(QPainter& painter, std::span<const std::uint32_t> marks, int offset,
                        int clientHeight, ColumnSpan visible);

// The record's note, one line at the top of the grid on every page.
void PaintRecordNote(QPainter& painter, const QString& note, int clientWidth, int clientHeight);

// The marks along the chart's bottom, a second each.
void PaintQualityMarks(QPainter& painter, std::span<const ratecheck::Mark> marks, int offset,
                       int clientHeight, ColumnSpan visible);

}  // namespace marulo::views
