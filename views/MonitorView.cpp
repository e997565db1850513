// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/MonitorView.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QResizeEvent>

#include <array>

#include "app/Config.h"
#include "app/Fonts.h"
#include "controls/LayoutScale.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"

namespace marulo::views {

namespace {

constexpr double kWaveformScalePerWidth = 0.00125;  // 800 points span the width
constexpr int kRateMargin = 5;
constexpr int kHeartMarkGap = 3;
const QColor kWaveformColour{192, 80, 77, 255};

}  // namespace

MonitorView::MonitorView(QWidget* parent, acquisition::CaptureController& controller)
    : QWidget(parent), m_controller(controller) {
    // Painting covers the whole client area, so there is nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kClientSize);
    m_clientHeight = height();
    m_controller.AddListener(*this);
}

MonitorView::~MonitorView() {
    m_controller.RemoveListener(*this);
}

WaveformPoints MonitorView::Waveform() const {
    std::lock_guard lock(m_mutex);
    return m_waveform;
}

std::int32_t MonitorView::CurrentRate() const {
    std::lock_guard lock(m_mutex);
    return m_currentRate;
}

void MonitorView::OnCaptureOpen() {
    RequestRepaint();
}

void MonitorView::OnAudioBlock(std::span<const std::uint8_t> block) {
    {
        std::lock_guard lock(m_mutex);
        UpdateWaveform(m_waveform, block, m_clientHeight);
    }
    RequestRepaint();
}

void MonitorView::OnHeartRate(std::int32_t beatsPerMinute) {
    {
        std::lock_guard lock(m_mutex);
        m_currentRate = beatsPerMinute;
    }
    RequestRepaint();
}

void MonitorView::OnCaptureClose() {
    // The command that stopped the capture repaints the view.
}

void MonitorView::RequestRepaint() {
    // Queued so the widget is touched only on its own thread; Qt merges pending updates.
    QMetaObject::invokeMethod(
        this, [this] { update(); }, Qt::QueuedConnection);
}

void MonitorView::resizeEvent(QResizeEvent* event) {
    m_clientHeight = controls::LayoutRect(*this).height();
    QWidget::resizeEvent(event);
}

void MonitorView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    controls::PaintInLayout(painter, *this);
    Paint(painter, m_controller.IsCapturing());
}

void MonitorView::Paint(QPainter& painter, bool capturing) const {
    const QRect client = controls::LayoutRect(*this);
    painter.fillRect(client, Qt::white);
    const controls::SkinBitmap& background =
        controls::CachedSkinBitmap(controls::skin::kMonitorGrid);
    background.DrawAt(painter, QPoint(0, client.height() / 2 - background.Size().height() / 2));
    if (!capturing) {
        return;
    }

    WaveformPoints waveform;
    std::int32_t rate = 0;
    {
        std::lock_guard lock(m_mutex);
        waveform = m_waveform;
        rate = m_currentRate;
    }
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

    if (rate > 0) {
        PaintRate(painter, rate);
    }
}

void MonitorView::PaintRate(QPainter& painter, std::int32_t rate) const {
    const QRect box =
        controls::LayoutRect(*this).adjusted(kRateMargin, kRateMargin, -kRateMargin, -kRateMargin);
    const QString number = QString::number(rate);
    painter.save();
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);

    painter.setFont(app::HeartRateFont());
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
