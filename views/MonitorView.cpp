// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/MonitorView.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPoint>
#include <QTextLayout>

#include <array>
#include <cmath>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "controls/LayoutScale.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowLayout.h"

namespace marulo::views {

namespace {

constexpr double kWaveformScalePerWidth = 0.00125;  // 800 points span the width
constexpr int kRateMargin = 5;
constexpr int kHeartMarkGap = 3;
const QColor kWaveformColour{192, 80, 77, 255};
constexpr int kMarkSize = 11;
constexpr int kMarkGap = 4;
constexpr int kHintLines = 2;
const QColor kHintGround{255, 255, 255, 210};
constexpr int kLevelHeight = 4;
const QColor kLevelTrack{225, 225, 225};
const QColor kLevelGood{76, 160, 76};
const QColor kLevelClipping{204, 40, 40};
// A doubtful number: grey and smaller, still easy to read.
const QColor kSetApartColour{120, 120, 120};

// Colour and shape both tell the state: a full disc, a triangle, a ring.
QColor MarkColour(livesignal::SignalState state) {
    switch (state) {
        case livesignal::SignalState::Good:
            return {0, 140, 70};
        case livesignal::SignalState::Weak:
            return {205, 130, 0};
        case livesignal::SignalState::None:
            break;
    }
    return {130, 130, 130};
}

void DrawMarkShape(QPainter& painter, livesignal::SignalState state, const QRectF& box) {
    const QColor colour = MarkColour(state);
    painter.setPen(QPen(colour, 1.5));
    switch (state) {
        case livesignal::SignalState::Good:
            painter.setBrush(colour);
            painter.drawEllipse(box);
            return;
        case livesignal::SignalState::Weak: {
            QPainterPath triangle;
            triangle.moveTo(box.center().x(), box.top());
            triangle.lineTo(box.bottomRight());
            triangle.lineTo(box.bottomLeft());
            triangle.closeSubpath();
            painter.setBrush(colour);
            painter.drawPath(triangle);
            return;
        }
        case livesignal::SignalState::None:
            break;
    }
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(box.adjusted(1, 1, -1, -1));
}

QString Text(const char* key) {
    return QString::fromStdString(app::MessageText(key));
}

}  // namespace

MonitorView::MonitorView(QWidget* parent) : QWidget(parent) {
    // Painting covers the whole client area, so there is nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Focus lets a screen reader user reach what the view shows and hear it change.
    setFocusPolicy(Qt::TabFocus);
    resize(kClientSize);
}

WaveformPoints MonitorView::Waveform() const {
    return m_waveform;
}

std::int32_t MonitorView::CurrentRate() const {
    return m_currentRate;
}

ShownRate MonitorView::Shown() const {
    return LiveRate(CurrentRate(), m_liveSignal);
}

QString MonitorView::SpokenValue() const {
    const ShownRate shown = Shown();
    const bool noSignal = m_liveSignal && m_liveSignal->state == livesignal::SignalState::None;
    QString spoken = shown.look == RateLook::Plain      ? Text("SpokenBpm").arg(shown.rate)
                     : shown.look == RateLook::SetApart ? Text("SpokenDoubtfulBpm").arg(shown.rate)
                     : noSignal                         ? Text("SpokenNoHeartbeat")
                                                        : Text("SpokenNoRate");
    if (m_liveSignal) {
        spoken += QStringLiteral(", ") + Text(livesignal::MarkTextKey(m_liveSignal->state));
        if (const char* hint = livesignal::HintTextKey(m_liveSignal->hint)) {
            spoken += QStringLiteral(". ") + Text(hint);
        }
    }
    if (const QString level = SpokenLevel(); !level.isEmpty()) {
        spoken += QStringLiteral(". ") + level;
    }
    return spoken;
}

QString MonitorView::SpokenLevel() const {
    if (!m_inputLevel) {
        return {};
    }
    // In tens: the noise of every block would change the words each time they are told.
    QString spoken = Text("SpokenLevel").arg(std::lround(m_inputLevel->peak * 10) * 10);
    if (m_inputLevel->clipping) {
        spoken += QStringLiteral(", ") + Text("LevelClipping");
    }
    return spoken;
}

QString MonitorView::SpokenMark() const {
    return m_liveSignal ? Text(livesignal::MarkTextKey(m_liveSignal->state)) : QString();
}

void MonitorView::SetCapturing(bool capturing) {
    if (capturing != m_capturing) {
        m_capturing = capturing;
        // A run's line, number and mark belong to it alone: neither a redraw after it nor the
        // next run's start shows them again.
        m_waveform = {};
        m_currentRate = -1;
        m_liveSignal.reset();
        update();
    }
}

void MonitorView::ShowBlock(std::span<const std::uint8_t> block) {
    UpdateWaveform(m_waveform, block, controls::LayoutRect(*this).height());
    update();
}

void MonitorView::ShowRate(std::int32_t beatsPerMinute) {
    m_currentRate = beatsPerMinute;
    update();
}

void MonitorView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.save();
    controls::PaintInLayout(painter, *this);
    Paint(painter, m_capturing);
    // The focus mark keeps its width in screen pixels.
    painter.restore();
    if (hasFocus()) {
        controls::DrawFocusMark(painter, rect());
    }
}

void MonitorView::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void MonitorView::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

void MonitorView::Paint(QPainter& painter, bool capturing) const {
    const QRect client = controls::LayoutRect(*this);
    painter.fillRect(client, Qt::white);
    const controls::SkinBitmap& background =
        controls::CachedSkinBitmap(controls::skin::kMonitorGrid);
    background.DrawAt(painter, QPoint(0, client.height() / 2 - background.Size().height() / 2));
    if (m_inputLevel) {
        PaintInputLevel(painter, *m_inputLevel);
    }
    if (!capturing) {
        return;
    }

    const WaveformPoints& waveform = m_waveform;
    const std::int32_t rate = m_currentRate;
    // The 800 points span the width. Scaling the points rather than the painter leaves the pen
    // untransformed, which Qt strokes several times faster than under a non-uniform scale.
    const double xScale = client.width() * kWaveformScalePerWidth;
    std::array<QPointF, kWaveformPoints> line;
    for (std::size_t i = 0; i < kWaveformPoints; ++i) {
        line[i] = QPointF(waveform[i].x * xScale, waveform[i].y);
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kWaveformColour, 1.0));
    painter.drawPolyline(line.data(), static_cast<int>(line.size()));
    painter.restore();

    if (const ShownRate shown = LiveRate(rate, m_liveSignal); shown.look != RateLook::Hidden) {
        PaintRate(painter, shown);
    }
    if (m_liveSignal) {
        PaintLiveSignal(painter, *m_liveSignal);
    }
}

void MonitorView::SetInputLevel(std::optional<livesignal::InputLevelValue> value) {
    if (value != m_inputLevel) {
        m_inputLevel = value;
        update();
    }
}

// A bar along the bottom edge as long as the peak; red, with its word, while the input clips.
void MonitorView::PaintInputLevel(QPainter& painter,
                                  const livesignal::InputLevelValue& value) const {
    const QRect client = controls::LayoutRect(*this);
    const QRect track(kRateMargin, client.height() - kRateMargin - kLevelHeight,
                      client.width() - 2 * kRateMargin, kLevelHeight);
    painter.save();
    painter.fillRect(track, kLevelTrack);
    const int length = static_cast<int>(std::lround(value.peak * track.width()));
    painter.fillRect(QRect(track.left(), track.top(), length, track.height()),
                     value.clipping ? kLevelClipping : kLevelGood);
    if (value.clipping) {
        painter.setFont(app::UiFont(true));
        painter.setPen(kLevelClipping);
        const QRect word(track.left(),
                         track.top() - kRateMargin - QFontMetrics(painter.font()).height(),
                         track.width(), QFontMetrics(painter.font()).height());
        painter.drawText(word, Qt::AlignRight | Qt::AlignBottom | Qt::TextSingleLine,
                         Text("LevelClipping"));
    }
    painter.restore();
}

void MonitorView::SetLiveSignal(std::optional<livesignal::LiveSignalValue> value) {
    if (value != m_liveSignal) {
        m_liveSignal = value;
        update();
    }
}

// The mark at the right end of the number's row, the hint under the number.
void MonitorView::PaintLiveSignal(QPainter& painter,
                                  const livesignal::LiveSignalValue& value) const {
    const QRect box =
        controls::LayoutRect(*this).adjusted(kRateMargin, kRateMargin, -kRateMargin, -kRateMargin);
    const int numberHeight = QFontMetrics(app::HeartRateFont()).height();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(app::UiFont(true));
    const QFontMetrics metrics(painter.font());
    const QString word = Text(livesignal::MarkTextKey(value.state));
    const int wordWidth = metrics.horizontalAdvance(word);
    const int rowMiddle = box.top() + numberHeight / 4;
    const QRectF shape(box.right() - wordWidth - kMarkGap - kMarkSize, rowMiddle - kMarkSize / 2.0,
                       kMarkSize, kMarkSize);
    DrawMarkShape(painter, value.state, shape);
    painter.setPen(MarkColour(value.state).darker(130));
    painter.drawText(QRect(box.right() - wordWidth, rowMiddle - metrics.height() / 2, wordWidth,
                           metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, word);

    if (const char* hintKey = livesignal::HintTextKey(value.hint)) {
        // On a pale ground over the waveform; a long text wraps once, never more.
        // Laid out line by line: a fallback font for other scripts makes lines taller than the
        // UI font's own, and the ground must cover them whole.
        QTextLayout layout(Text(hintKey), app::UiFont(false));
        layout.beginLayout();
        QRectF used;
        qreal top = box.top() + numberHeight;
        for (int line = 0; line < kHintLines; ++line) {
            QTextLine text = layout.createLine();
            if (!text.isValid()) {
                break;
            }
            text.setLineWidth(box.width());
            text.setPosition(QPointF(box.left(), top));
            used |= text.naturalTextRect();
            top += text.height();
        }
        layout.endLayout();
        painter.fillRect(used.toAlignedRect().adjusted(-2, 0, 2, 0), kHintGround);
        painter.setPen(Qt::black);
        for (int line = 0; line < layout.lineCount(); ++line) {
            layout.lineAt(line).draw(&painter, QPointF());
        }
    }
    painter.restore();
}

void MonitorView::PaintRate(QPainter& painter, const ShownRate& shown) const {
    const QRect box =
        controls::LayoutRect(*this).adjusted(kRateMargin, kRateMargin, -kRateMargin, -kRateMargin);
    const QString number = QString::number(shown.rate);
    const bool apart = shown.look == RateLook::SetApart;
    painter.save();
    painter.setPen(apart ? kSetApartColour : QColor(Qt::black));
    painter.setBackgroundMode(Qt::TransparentMode);

    painter.setFont(apart ? app::SetApartHeartRateFont() : app::HeartRateFont());
    const QFontMetrics metrics(painter.font());
    painter.drawText(box.left(), box.top() + metrics.ascent(), number);
    const int cx = metrics.horizontalAdvance(number);
    const int cy = metrics.height();

    const QRect heartBox(box.left() + cx + kHeartMarkGap, box.top(), box.width(), cy / 2);
    painter.setFont(app::UiFont(true));
    painter.drawText(heartBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(app::MessageText("HeartMark")));

    const QRect unitBox(heartBox.left(), heartBox.bottom() + 1, box.width(), cy - cy / 2);
    painter.setFont(app::UiFont(false));
    painter.drawText(unitBox, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(app::MessageText("Bpm")));
    painter.restore();
}

}  // namespace marulo::views
