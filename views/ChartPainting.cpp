// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/ChartPainting.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <utility>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"
#include "report/QualityPalette.h"
#include "views/QualityStrip.h"

namespace marulo::views {

namespace {

const QColor kLabelColour{192, 116, 183};
const QColor kTraceColour{192, 80, 77};
// Counted but not confirmed: the trace's colour, paler and dashed. Never checked: pale grey.
const QColor kSetApartColour{205, 150, 148};
const QColor kUncheckedColour{175, 175, 175};
const QColor kNoteGround{255, 255, 255, 220};
// The "baby moved" marks: dark blue, apart from the trace's and the grid's colours.
const QColor kMovementMarkColour{30, 60, 150};
constexpr int kMarkArrowHeight = 8;

QString MessageString(std::string_view key) {
    return QString::fromStdString(app::MessageText(key));
}

void PaintLayer(QPainter& painter, std::span<const std::int32_t> values, const QPen& pen,
                int offset, int clientHeight, ColumnSpan visible, std::vector<QPointF>& points) {
    if (values.size() < 2) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(pen);
    for (const ColumnSpan& columns : TraceColumns(values, visible)) {
        const IndexRange range = TracePointsFor(columns, values.size());
        if (range.last - range.first < 2) {
            continue;
        }
        // Points sit on pixel centres, so value i lights column i.
        points.clear();
        for (std::size_t i = range.first; i < range.last; ++i) {
            points.emplace_back(static_cast<double>(i) - offset + 0.5,
                                ValueY(clientHeight, values[i]) + 0.5);
        }
        painter.setClipRect(
            QRect(columns.left - offset, 0, columns.right - columns.left, clientHeight));
        painter.drawPolyline(points.data(), static_cast<int>(points.size()));
    }
    painter.restore();
}

}  // namespace

QRect ToQRect(const Rect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

const QPixmap& GridStrip::For(int clientWidth, int clientHeight, qreal devicePixelRatio) {
    const int stripWidth = (clientWidth / kGridTileWidth + 2) * kGridTileWidth;
    if (!m_strip.isNull() && m_strip.devicePixelRatio() == devicePixelRatio &&
        m_strip.deviceIndependentSize() == QSizeF(stripWidth, clientHeight)) {
        return m_strip;
    }
    QPixmap strip(QSize(stripWidth, clientHeight) * devicePixelRatio);
    strip.setDevicePixelRatio(devicePixelRatio);
    strip.fill(Qt::white);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Loaded for this surface's resolution, whatever the screens of the program are.
    controls::SkinBitmap tile;
    tile.Load(controls::skin::kChartMinuteTile, devicePixelRatio);
    for (const int left : GridTileLefts(stripWidth)) {
        tile.DrawAt(painter, QPoint(left, BandTop(clientHeight)));
    }
    painter.end();
    m_strip = std::move(strip);
    return m_strip;
}

void PaintMinuteLabels(QPainter& painter, int offset, int chartWidth, int clientHeight,
                       ColumnSpan visible) {
    painter.save();
    painter.setFont(app::UiFont(true));
    painter.setPen(kLabelColour);
    const QString unit = MessageString("MinuteTitle");
    for (const MinuteLabel& label : MinuteLabelsIn(visible, chartWidth, clientHeight)) {
        if (label.box.bottom > label.box.top) {
            painter.drawText(ToQRect(label.box).translated(-offset, 0),
                             Qt::AlignCenter | Qt::TextSingleLine,
                             QString::number(label.minute) + unit);
        }
    }
    painter.restore();
}

void PaintTraceLayers(QPainter& painter, std::span<const std::int32_t> trace,
                      const TraceLayers& layers, int offset, int clientHeight, ColumnSpan visible,
                      std::vector<QPointF>& points) {
    const QPen plain(kTraceColour, 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (layers.plain.size() != trace.size()) {
        PaintLayer(painter, trace, plain, offset, clientHeight, visible, points);
        return;
    }
    PaintLayer(painter, layers.unchecked, QPen(kUncheckedColour, 1.0), offset, clientHeight,
               visible, points);
    PaintLayer(painter, layers.setApart,
               QPen(kSetApartColour, 1.0, Qt::DashLine, Qt::FlatCap, Qt::MiterJoin), offset,
               clientHeight, visible, points);
    PaintLayer(painter, layers.plain, plain, offset, clientHeight, visible, points);
}

void PaintReadout(QPainter& painter, const ShownRate& shown, int clientWidth, int clientHeight) {
    const QString figure = QString::number(shown.rate);
    const bool apart = shown.look == RateLook::SetApart;
    const QFont figureFont = apart ? app::SetApartHeartRateFont() : app::HeartRateFont();
    const QFontMetrics metrics(figureFont);
    const ReadoutLayout layout = LayoutReadout(clientWidth, clientHeight,
                                               metrics.horizontalAdvance(figure), metrics.height());
    constexpr int kBoxFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.save();
    painter.setPen(apart ? kUncheckedColour.darker(150) : QColor(Qt::black));
    painter.setFont(figureFont);
    painter.drawText(layout.anchorX, layout.anchorY + metrics.ascent(), figure);
    painter.setFont(app::UiFont(true));
    painter.drawText(ToQRect(layout.markBox), kBoxFlags, MessageString("HeartMark"));
    painter.setFont(app::UiFont(false));
    painter.drawText(ToQRect(layout.unitBox), kBoxFlags, MessageString("Bpm"));
    painter.restore();
}

namespace {

// One line on a light ground, cut short with an ellipsis where it is wider than the chart.
void PaintLine(QPainter& painter, const QString& text, int clientWidth, int top) {
    painter.save();
    painter.setFont(app::UiFont(false));
    const QFontMetrics metrics(painter.font());
    const QRect box(kReadoutInset, top, clientWidth - 2 * kReadoutInset, metrics.height());
    const QString shown = metrics.elidedText(text, Qt::ElideRight, box.width());
    const QRect used =
        metrics.boundingRect(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown)
            .intersected(box);
    painter.fillRect(used.adjusted(-2, 0, 2, 0), kNoteGround);
    painter.setPen(Qt::black);
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
    painter.restore();
}

}  // namespace

void PaintNote(QPainter& painter, const QString& note, int clientWidth, int clientHeight) {
    const int lineHeight = QFontMetrics(app::UiFont(false)).height();
    PaintLine(painter, note, clientWidth, clientHeight - kQualityStripHeight - 1 - lineHeight);
}

void PaintRecordNote(QPainter& painter, const QString& note, int clientWidth, int clientHeight) {
    PaintLine(painter, note, clientWidth, BandTop(clientHeight) + kMarkArrowHeight + 2);
}

void PaintMovementMarks(QPainter& painter, std::span<const std::uint32_t> marks, int offset,
                        int clientHeight, ColumnSpan visible) {
    const int top = BandTop(clientHeight);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kMovementMarkColour);
    for (const std::uint32_t second : marks) {
        if (static_cast<std::int64_t>(second) < visible.left ||
            static_cast<std::int64_t>(second) >= visible.right) {
            continue;
        }
        const qreal x = static_cast<qreal>(second) - offset + 0.5;
        const QPointF arrow[] = {{x - kMarkArrowHeight / 2.0, static_cast<qreal>(top)},
                                 {x + kMarkArrowHeight / 2.0, static_cast<qreal>(top)},
                                 {x, static_cast<qreal>(top + kMarkArrowHeight)}};
        painter.drawPolygon(arrow, 3);
        painter.fillRect(QRectF(x - 0.5, top + kMarkArrowHeight, 1, kMarkArrowHeight * 2),
                         kMovementMarkColour);
    }
    painter.restore();
}

void PaintQualityMarks(QPainter& painter, std::span<const ratecheck::Mark> marks, int offset,
                       int clientHeight, ColumnSpan visible) {
    for (const StripRun& run : QualityStripRuns(marks, visible)) {
        painter.fillRect(ToQRect(QualityStripRect(run, offset, clientHeight)),
                         report::MarkColour(run.mark));
    }
}

}  // namespace marulo::views
