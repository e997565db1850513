// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/RecordingState.h"

#include <QPainter>
#include <utility>

#include "app/Fonts.h"
#include "controls/LayoutScale.h"
#include "controls/WindowTexts.h"
#include "livesignal/RunClock.h"
#include "mainwnd/ScreenReader.h"

namespace marulo::mainwnd {

using controls::Message;

namespace {

constexpr QColor kRecordingRed{200, 24, 40};
constexpr QColor kIdleGrey{110, 100, 120};
// Often enough that a shown second is never more than half a second late.
constexpr std::chrono::milliseconds kLook{500};

}  // namespace

RecordingState::RecordingState(Elapsed elapsed, QWidget* parent)
    : QWidget(parent), m_elapsed(std::move(elapsed)) {
    SetSpokenValue(*this, {QAccessible::StaticText, {}, {}, 0.0, {}, {}, {}});
    m_timer.setInterval(kLook);
    connect(&m_timer, &QTimer::timeout, this, &RecordingState::Refresh);
    Refresh();
    Retranslate();
}

void RecordingState::Refresh() {
    const std::optional<std::int64_t> now = m_elapsed();
    if (now != m_shown) {
        m_shown = now;
        update();
    }
    if (m_shown && !m_timer.isActive()) {
        m_timer.start();
    } else if (!m_shown) {
        m_timer.stop();
    }
    Name(Clock::now());
}

void RecordingState::Retranslate() {
    m_namedAt.reset();
    Name(Clock::now());
    update();
}

QString RecordingState::TextNow() const {
    return QString::fromStdString(livesignal::ElapsedText(m_shown.value_or(0)));
}

QString RecordingState::SpokenText() const {
    return m_shown ? Message("SpokenRecording").arg(TextNow()) : Message("NotRecording");
}

void RecordingState::Name(Clock::time_point now) {
    // A start or a stop is told at once; the running time waits for the screen reader's pause.
    const bool changed = m_namedRecording != m_shown.has_value();
    if (!changed && m_namedAt && now - *m_namedAt < ValueChangeTeller::kGap) {
        return;
    }
    const QString spoken = SpokenText();
    if (spoken == accessibleName()) {
        return;
    }
    m_namedRecording = m_shown.has_value();
    m_namedAt = now;
    setAccessibleName(spoken);
    setToolTip(spoken);
}

void RecordingState::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    controls::PaintInLayout(painter, *this);
    const QRect area(QPoint(0, 0), controls::LayoutRect(*this).size());
    QFont font = app::UiFont(true);
    painter.setFont(font);
    if (!m_shown) {
        painter.setPen(kIdleGrey);
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, Message("NotRecording"));
        return;
    }
    // A red dot and the word on the first line, the time under them.
    const QRect top = area.adjusted(0, 0, 0, -area.height() / 2);
    const QRect bottom = area.adjusted(0, area.height() / 2, 0, 0);
    const QString word = Message("RecordingNow");
    const int dot = painter.fontMetrics().height() * 2 / 3;
    const int wordWidth = painter.fontMetrics().horizontalAdvance(word);
    const int left = top.center().x() - (dot + dot / 2 + wordWidth) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(kRecordingRed);
    painter.drawEllipse(QRect(left, top.center().y() - dot / 2, dot, dot));
    painter.setPen(kRecordingRed);
    painter.drawText(QRect(left + dot + dot / 2, top.top(), wordWidth + 1, top.height()),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, word);
    if (font.pixelSize() > 0) {
        font.setPixelSize(font.pixelSize() * 6 / 5);
    } else {
        font.setPointSizeF(font.pointSizeF() * 1.2);
    }
    painter.setFont(font);
    painter.drawText(bottom, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, TextNow());
}

}  // namespace marulo::mainwnd
