// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/ReviewView.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "archive/RecordFiles.h"
#include "controls/LayoutScale.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowLayout.h"
#include "recordformat/WavReader.h"
#include "views/ChartPainting.h"
#include "views/QualityStrip.h"

namespace marulo::views {

namespace {

QString MessageString(std::string_view key) {
    return QString::fromStdString(app::MessageText(key));
}

// "m:ss" from the start of the record.
QString ClockOfRecord(std::int64_t second) {
    return QStringLiteral("%1:%2").arg(second / 60).arg(second % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

ReviewView::ReviewView(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBar(new controls::LayoutScrollBar(Qt::Horizontal, this));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every paint covers the whole page, so nothing is erased first and nothing flickers.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);

    const QSize client = ChartClientSize();
    m_initialExtent = MakeChartExtent(client.width(), client.height());
    m_extent = m_initialExtent;
    QScrollBar* bar = horizontalScrollBar();
    bar->setSingleStep(m_extent.lineStep);
    // The bar's page step sizes the thumb to the shown page; page clicks move by the chart's own
    // page step instead.
    connect(bar, &QScrollBar::actionTriggered, this, [this, bar](int action) {
        ScrollRequest request{};
        switch (action) {
            case QAbstractSlider::SliderSingleStepSub:
                request = ScrollRequest::LineLeft;
                break;
            case QAbstractSlider::SliderSingleStepAdd:
                request = ScrollRequest::LineRight;
                break;
            case QAbstractSlider::SliderPageStepSub:
                request = ScrollRequest::PageLeft;
                break;
            case QAbstractSlider::SliderPageStepAdd:
                request = ScrollRequest::PageRight;
                break;
            case QAbstractSlider::SliderToMinimum:
                request = ScrollRequest::LeftEnd;
                break;
            case QAbstractSlider::SliderToMaximum:
                request = ScrollRequest::RightEnd;
                break;
            default:
                return;
        }
        bar->setSliderPosition(
            ScrollOffset(request, bar->value(), m_extent, ChartClientSize().width()));
    });
    UpdateScrollRange();
    NameScrollBar();

    m_playbackTimer.setInterval(kPlaybackTimerMilliseconds);
    connect(&m_playbackTimer, &QTimer::timeout, this, [this] { FollowPlayback(); });
}

ReviewView::~ReviewView() = default;

void ReviewView::ShowLoading() {
    StopPlayback();
    // The working files are about to be replaced: nothing of the previous record stays usable.
    m_audioPath.clear();
    m_tracePath.clear();
    m_trace.clear();
    ShowEvents({}, {});
    m_playWhenLoaded.reset();
    m_loading = true;
    ForgetCheck();
    UpdatePointerAtMouse();
    viewport()->update();
}

void ReviewView::ShowRecord(std::vector<std::int32_t> trace, std::string audioPath) {
    m_loading = false;
    m_audioPath = std::move(audioPath);
    m_tracePath.clear();
    m_trace = std::move(trace);
    m_keyCursor.reset();
    ForgetCheck();
    FitExtent();
    // A record opens at its start, whatever page the one before was showing.
    ScrollTo(0);
    UpdatePointerAtMouse();
    viewport()->update();
}

void ReviewView::PlayWhenAsked() {
    const std::optional<int> play = std::exchange(m_playWhenLoaded, std::nullopt);
    if (play && !m_loading && !m_audioPath.empty()) {
        StartPlayback(*play);
    }
}

void ReviewView::ShowCheck(std::optional<review::RecordCheck> check) {
    m_check = std::move(check);
    UpdateLayers();
    viewport()->update();
    emit QualityChecked();
}

void ReviewView::SetRecordFiles(const std::string& audioPath, const std::string& tracePath) {
    ForgetCheck();
    m_loading = false;
    m_audioPath = audioPath;
    m_tracePath = tracePath;
    m_trace.clear();
    if (!m_tracePath.empty()) {
        m_trace = recordformat::ReadTrace(m_tracePath);
    }
    UpdateLayers();
    FitExtent();
    UpdatePointerAtMouse();
    viewport()->update();
}

void ReviewView::ShowEvents(std::vector<std::uint32_t> marks, QString note) {
    m_movementMarks = std::move(marks);
    m_recordNote = std::move(note);
    setAccessibleDescription(m_recordNote);
    viewport()->update();
}

void ReviewView::ClearRecord() {
    ForgetCheck();
    m_loading = false;
    m_playWhenLoaded.reset();
    // The audio of a record no longer shown must not play on.
    StopPlayback();
    m_liveMode = false;
    m_audioPath.clear();
    m_tracePath.clear();
    m_trace.clear();
    ShowEvents({}, {});
    m_keyCursor.reset();
    UpdateLayers();
    FitExtent();
    UpdatePointerAtMouse();
    viewport()->update();
}

void ReviewView::StartPlayback(int second) {
    m_legendAsked = false;
    if (m_loading) {
        m_playWhenLoaded = second;
        return;
    }
    m_playbackTimer.stop();
    // A play from second 0 does not seek, so only a freshly opened device starts at the beginning.
    if (second <= 0 && m_player.IsOpen()) {
        ClosePlayer();
    }
    if (!m_player.IsOpen()) {
        std::string why;
        if (m_audioPath.empty() || !recordformat::ReadWavFormat(m_audioPath, why)) {
            AnnouncePlaybackStopped();
            viewport()->update();
            emit PlaybackRefused();
            return;
        }
        if (m_takeForPlayback && !m_takeForPlayback()) {
            AnnouncePlaybackStopped();
            viewport()->update();
            return;
        }
        m_player.Open(m_audioPath);
    }
    if (m_player.IsPlaying()) {
        m_player.Stop();
    }
    if (m_player.Play(second, [this](platform::PlayNotify how) { OnPlayEnded(how); })) {
        m_playbackTimer.start();
        m_playbackAnnounced = true;
        if (m_playbackListener != nullptr) {
            m_playbackListener->OnPlaybackStarted();
        }
    } else {
        // The audio that was playing has stopped, and nothing plays in its place.
        AnnouncePlaybackStopped();
    }
    viewport()->update();
}

void ReviewView::StopPlayback() {
    m_playbackTimer.stop();
    if (m_player.IsOpen()) {
        if (m_player.IsPlaying()) {
            m_player.Stop();
        }
        ClosePlayer();
    }
    AnnouncePlaybackStopped();
    viewport()->update();
}

// Every playback the listener heard start, it hears end once, however it ended.
void ReviewView::AnnouncePlaybackStopped() {
    if (!std::exchange(m_playbackAnnounced, false)) {
        return;
    }
    if (m_playbackListener != nullptr) {
        m_playbackListener->OnPlaybackStopped();
    }
}

// A play that reached its end or failed (the device or file went away) ends playback; a
// replaced play's notice changes nothing.
void ReviewView::OnPlayEnded(platform::PlayNotify how) {
    if (how != platform::PlayNotify::Successful && how != platform::PlayNotify::Failure) {
        return;
    }
    m_playbackTimer.stop();
    ClosePlayer();
    viewport()->update();
    AnnouncePlaybackStopped();
}

void ReviewView::ClosePlayer() {
    m_player.Close();
    if (m_giveBackFromPlayback) {
        m_giveBackFromPlayback();
    }
}

void ReviewView::InvalidateCachedChart() {
    NameScrollBar();
    viewport()->update();
}

void ReviewView::NameScrollBar() {
    horizontalScrollBar()->setAccessibleName(MessageString("ChartScrollBar"));
}

void ReviewView::FitExtent() {
    const ChartExtent fitted = FitExtentToTrace(m_initialExtent, m_trace.size());
    if (fitted != m_extent) {
        m_extent = fitted;
        UpdateScrollRange();
    }
}

int ReviewView::OffsetX() const {
    return horizontalScrollBar()->value();
}

bool ReviewView::IsPlaying() const {
    return m_player.IsOpen() && m_player.IsPlaying();
}

std::int64_t ReviewView::PlayingSecond() const {
    return PositionSecond(m_player.PositionMilliseconds());
}

void ReviewView::OnCaptureOpen() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_trace.clear();
            ForgetCheck();
            m_keyCursor.reset();
            FitExtent();
            m_liveMode = true;
            UpdatePointerAtMouse();
            viewport()->update();
        },
        Qt::QueuedConnection);
}

void ReviewView::OnAudioBlock(std::span<const std::uint8_t>) {}

void ReviewView::OnHeartRate(std::int32_t beatsPerMinute) {
    QMetaObject::invokeMethod(
        this, [this, beatsPerMinute] { AppendLiveValue(beatsPerMinute); }, Qt::QueuedConnection);
}

void ReviewView::OnCaptureClose() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_liveMode = false;
            UpdatePointerAtMouse();
            viewport()->update();
        },
        Qt::QueuedConnection);
}

void ReviewView::AppendLiveValue(std::int32_t beatsPerMinute) {
    m_trace.push_back(beatsPerMinute);
    UpdateLayers();
    FitExtent();
    const int width = ChartClientSize().width();
    ScrollTo(LiveFollow(OffsetX(), width, m_trace.size(), MaxOffset(m_extent, width)));
    viewport()->update();
}

void ReviewView::AppendLiveMark(const std::optional<livesignal::LiveSignalValue>& mark) {
    // The marks come a second each, in the order of the run's rates.
    if (!m_liveMode || !mark) {
        return;
    }
    m_liveMarks.push_back(StripMark(mark->state));
    UpdateLayers();
    viewport()->update();
}

void ReviewView::FollowPlayback() {
    const int width = ChartClientSize().width();
    const std::int64_t second = PlayingSecond();
    // The keyboard's cursor goes with the sound instead of standing where playback began.
    if (m_keyCursor && second >= 0 && !m_trace.empty()) {
        m_keyCursor = std::min<std::int64_t>(second, static_cast<std::int64_t>(m_trace.size()) - 1);
    }
    ScrollTo(PlaybackFollow(OffsetX(), width, second, MaxOffset(m_extent, width)));
    viewport()->update();
}

void ReviewView::ScrollTo(int offset) {
    horizontalScrollBar()->setValue(offset);
}

void ReviewView::UpdateScrollRange() {
    const int width = ChartClientSize().width();
    QScrollBar* bar = horizontalScrollBar();
    bar->setPageStep(std::max(width, 1));
    // Narrowing the range pulls back an offset that would show space beyond the extent.
    bar->setRange(0, MaxOffset(m_extent, width));
}

void ReviewView::UpdatePointer(QPoint clientPosition) {
    if (ShowsPointingCursor(m_liveMode, OffsetX() + clientPosition.x(), m_trace.size())) {
        viewport()->setCursor(controls::PointingCursor());
    } else {
        viewport()->unsetCursor();
    }
}

void ReviewView::UpdatePointerAtMouse() {
    UpdatePointer(controls::ToLayout(*viewport(), viewport()->mapFromGlobal(QCursor::pos())));
}

QSize ReviewView::ChartClientSize() const {
    return controls::LayoutRect(*viewport()).size();
}

void ReviewView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    std::optional<std::int64_t> playingSecond;
    if (IsPlaying()) {
        playingSecond = PlayingSecond();
    }
    painter.save();
    controls::PaintInLayout(painter, *viewport());
    PaintChart(painter, playingSecond);
    // The focus mark keeps its width in screen pixels.
    painter.restore();
    if (hasFocus()) {
        // The frame stays above the quality strip, which it would hide.
        const int strip =
            static_cast<int>(std::ceil(kQualityStripHeight * controls::LayoutScale(*viewport())));
        controls::DrawFocusMark(painter, viewport()->rect().adjusted(0, 0, 0, -strip));
    }
}

void ReviewView::keyPressEvent(QKeyEvent* event) {
    // The legend, which the mouse finds as the tooltip, by key.
    if (event->key() == Qt::Key_F1 || event->key() == Qt::Key_Question) {
        QToolTip::showText(viewport()->mapToGlobal(QPoint(0, viewport()->height())), Legend(),
                           viewport());
        // A screen reader hears it as the chart's description until the cursor moves.
        m_legendAsked = true;
        emit readoutMoved();
        event->accept();
        return;
    }
    if (m_liveMode || m_trace.empty()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const std::int64_t step = event->modifiers().testFlag(Qt::ShiftModifier) ? 10 : 1;
    const std::int64_t from = m_keyCursor.value_or(OffsetX());
    switch (event->key()) {
        case Qt::Key_Left:
            MoveKeyCursor(m_keyCursor ? from - step : from);
            break;
        case Qt::Key_Right:
            MoveKeyCursor(m_keyCursor ? from + step : from);
            break;
        case Qt::Key_Home:
            MoveKeyCursor(0);
            break;
        case Qt::Key_End:
            MoveKeyCursor(static_cast<std::int64_t>(m_trace.size()) - 1);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            // Like the play button, a second press stops, and the next plays on from there.
            if (IsPlaying()) {
                FollowPlayback();
                StopPlayback();
            } else {
                MoveKeyCursor(from);
                StartPlayback(static_cast<int>(*m_keyCursor));
            }
            break;
        default:
            QAbstractScrollArea::keyPressEvent(event);
            return;
    }
    event->accept();
}

void ReviewView::MoveKeyCursor(std::int64_t second) {
    m_legendAsked = false;
    m_keyCursor =
        std::clamp<std::int64_t>(second, 0, static_cast<std::int64_t>(m_trace.size()) - 1);
    // The page follows the cursor.
    const int width = ChartClientSize().width();
    if (*m_keyCursor < OffsetX()) {
        ScrollTo(static_cast<int>(*m_keyCursor));
    } else if (*m_keyCursor >= OffsetX() + width) {
        ScrollTo(static_cast<int>(*m_keyCursor) - width + 1);
    }
    viewport()->update();
    // A move the user made is told at once.
    emit readoutMoved();
}

void ReviewView::MoveCursorTo(std::int64_t second) {
    if (!m_liveMode && !m_trace.empty()) {
        MoveKeyCursor(second);
    }
}

void ReviewView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void ReviewView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

std::optional<std::int64_t> ReviewView::ReadoutSecond() const {
    const std::optional<std::int64_t> second = IsPlaying() ? PlayingSecond() : m_keyCursor;
    if (!second || *second < 0) {
        return std::nullopt;
    }
    return second;
}

QString ReviewView::SpokenReadout() const {
    if (m_trace.empty()) {
        return {};
    }
    const std::optional<std::int64_t> second = ReadoutSecond();
    if (m_legendAsked || !second) {
        return Legend();
    }
    const ShownRate shown = RateAt(*second);
    const QString time = ClockOfRecord(*second);
    const QString rate = shown.look == RateLook::Plain ? MessageString("SpokenBpm").arg(shown.rate)
                         : shown.look == RateLook::SetApart
                             ? MessageString("SpokenDoubtfulBpm").arg(shown.rate)
                             : MessageString("SpokenNoRate");
    return MessageString("SpokenPlayback") + QLatin1Char(' ') + time + QStringLiteral(", ") + rate;
}

void ReviewView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    viewport()->update();
}

void ReviewView::scrollContentsBy(int, int) {
    // The readout stays on the page while the chart moves, so the whole page is drawn again.
    viewport()->update();
    UpdatePointerAtMouse();
}

void ReviewView::wheelEvent(QWheelEvent* event) {
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    const WheelScroll wheel = ApplyWheel(m_wheelRemainder, delta, QApplication::wheelScrollLines());
    m_wheelRemainder = wheel.remainder;
    ScrollTo(WheelOffset(OffsetX(), wheel, m_extent, ChartClientSize().width()));
    event->accept();
}

void ReviewView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int chartX = OffsetX() + controls::ToLayout(*viewport(), event->position()).x();
        if (const auto second = ClickedSecond(m_liveMode, chartX, m_trace.size())) {
            StartPlayback(*second);
        }
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void ReviewView::mouseMoveEvent(QMouseEvent* event) {
    UpdatePointer(controls::ToLayout(*viewport(), event->position()));
    QAbstractScrollArea::mouseMoveEvent(event);
}

void ReviewView::PaintChart(QPainter& painter, std::optional<std::int64_t> playingSecond) {
    const QSize client = ChartClientSize();
    const int width = client.width();
    const int height = client.height();
    if (width <= 0 || height <= 0) {
        return;
    }
    const int offset = OffsetX();
    const int chartWidth = ChartWidth(m_extent, width);
    const ColumnSpan visible{offset, std::min(offset + width, chartWidth)};
    // The strip is kept at the resolution the chart is shown at, so it is copied unscaled.
    const qreal ratio = painter.device()->devicePixelRatioF() * controls::LayoutScale(*viewport());
    const QPixmap& strip = m_gridStrip.For(width, height, ratio);
    const int withinMinute = offset % kGridTileWidth;
    // Source rectangles of a pixmap are in its device pixels.
    painter.drawPixmap(
        QRectF(0, 0, visible.right - visible.left, height), strip,
        QRectF(withinMinute * ratio, 0, (visible.right - visible.left) * ratio, height * ratio));
    PaintMinuteLabels(painter, offset, chartWidth, height, visible);

    if (playingSecond) {
        if (const ShownRate shown = RateAt(*playingSecond); shown.look != RateLook::Hidden) {
            PaintReadout(painter, shown, width, height);
        }
        if (*playingSecond >= visible.left && *playingSecond < visible.right) {
            const Rect line = PlaybackCursorLine(static_cast<int>(*playingSecond) - offset, height);
            painter.save();
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.fillRect(ToQRect(line), Qt::white);
            painter.restore();
        }
    }
    PaintTraceLayers(painter, m_trace, m_layers, offset, height, visible, m_points);
    PaintQualityMarks(painter, QualityMarks(), offset, height, visible);
    if (!m_liveMode) {
        PaintMovementMarks(painter, m_movementMarks, offset, height, visible);
        if (!m_recordNote.isEmpty()) {
            PaintRecordNote(painter, m_recordNote, width, height);
        }
    }
    if (m_check && m_check->audioShort && !m_liveMode) {
        PaintNote(painter, AudioShortNote(), width, height);
    }
    if (m_keyCursor && !m_liveMode && *m_keyCursor >= visible.left &&
        *m_keyCursor < visible.right) {
        painter.fillRect(QRect(static_cast<int>(*m_keyCursor) - offset, 0, 1, height),
                         controls::kFocusMarkColour);
    }
}

void ReviewView::UpdateLayers() {
    if (!m_check && !m_liveMarks.empty()) {
        m_layers = LiveLayers(m_trace, m_liveMarks);
        return;
    }
    m_layers = ReviewLayers(m_trace, m_check ? &m_check->checked : nullptr,
                            m_check ? m_check->checkedSeconds : 0);
}

ShownRate ReviewView::RateAt(std::int64_t second) const {
    return ReviewRate(second, m_trace, m_check ? &m_check->checked : nullptr,
                      m_check ? m_check->checkedSeconds : 0);
}

std::span<const ratecheck::Mark> ReviewView::QualityMarks() const {
    if (!m_check) {
        return m_liveMarks;
    }
    // Only the seconds the sound reaches are marked.
    const std::span<const ratecheck::Mark> marks = m_check->checked.marks;
    return marks.first(std::min(marks.size(), m_check->checkedSeconds));
}

QString ReviewView::AudioShortNote() const {
    if (!m_check || !m_check->audioShort) {
        return {};
    }
    return MessageString("ReviewAudioShort")
        .arg(ClockOfRecord(static_cast<std::int64_t>(m_check->checkedSeconds)));
}

void ReviewView::ForgetCheck() {
    m_check.reset();
    m_liveMarks.clear();
    UpdateLayers();
}

QString ReviewView::Legend() const {
    QString legend = MessageString("ReviewStripLegend");
    if (m_check && m_check->audioShort) {
        legend += QLatin1Char('\n') + AudioShortNote();
    }
    return legend;
}

// The strip's legend is the chart's tooltip, in the language of the moment.
bool ReviewView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip && m_check) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), Legend(), viewport());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace marulo::views
