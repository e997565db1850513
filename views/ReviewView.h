// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>
#include <QPointF>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/CaptureController.h"
#include "archive/RecordLoader.h"
#include "platform/WavePlayer.h"
#include "views/ChartGeometry.h"
#include "views/PlaybackListener.h"
#include "views/QualityStrip.h"
#include "views/RateLook.h"

class QPainter;

namespace marulo::views {

// The scrolling heart-rate chart: a record's trace for review with playback from a clicked
// second, or the growing trace of a running capture.
class ReviewView : public QAbstractScrollArea, public acquisition::AcquisitionListener {
    Q_OBJECT

public:
    static constexpr int kPlaybackTimerMilliseconds = 500;

    // Records are unpacked into the working files of the work folder.
    ReviewView(QWidget* parent, acquisition::CaptureController& controller,
               const std::filesystem::path& workFolder);
    ~ReviewView() override;
    ReviewView(const ReviewView&) = delete;
    ReviewView& operator=(const ReviewView&) = delete;

    // Unpacks a stored record into the working files off this thread and shows its trace when
    // done, then emits RecordLoaded; a newer load or a clear supersedes it. A play asked for
    // meanwhile starts once the record is there.
    void LoadRecord(const std::string& archivePath);
    bool IsLoading() const { return m_loading; }
    void SetRecordFiles(const std::string& audioPath, const std::string& tracePath);
    void ClearRecord();

    void StartPlayback(int second);
    void StopPlayback();
    void SetPlaybackListener(PlaybackListener* listener) { m_playbackListener = listener; }

    // Repaints with the current texts and fonts.
    void InvalidateCachedChart();

    const std::vector<std::int32_t>& Trace() const { return m_trace; }
    // A mark a second from the check of the loaded record's sound; empty until it is done.
    const std::vector<ratecheck::Mark>& QualityMarks() const;
    // What the check of the loaded record's sound found; nothing until it is done.
    const std::optional<RecordCheck>& Check() const { return m_check; }
    // The figure the chart shows for a second of the loaded record.
    ShownRate RateAt(std::int64_t second) const;
    int OffsetX() const;
    bool IsLiveMode() const { return m_liveMode; }
    bool IsPlaying() const;
    // The whole second the player is at; -1 when nothing is open or the player cannot tell.
    std::int64_t PlayingSecond() const;
    const ChartExtent& Extent() const { return m_extent; }

    // The review cursor that the keyboard moves over a stored record; none until a key moves it.
    std::optional<std::int64_t> KeyCursor() const { return m_keyCursor; }
    // What the chart says to a screen reader: the second playing, else the one under the review
    // cursor, with its rate; empty when there is neither.
    QString SpokenReadout() const;
    // The line that says the loaded record's sound ends before its trace; empty otherwise.
    QString AudioShortNote() const;

    // Draws the shown page of the chart, at the painter's device resolution; with a playing
    // second also the cursor and the readout.
    void PaintChart(QPainter& painter, std::optional<std::int64_t> playingSecond);

    // Called on the capture thread; each hands its work to the user-interface thread.
    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

signals:
    void RecordLoaded(marulo::archive::RecordProblem problem);
    // The check of a loaded record's sound is done and its strip is shown.
    void QualityChecked();
    // A play was asked for, but the record's audio is missing or is no playable WAV file.
    void PlaybackRefused();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    // Left and Right move the review cursor a second (ten with Shift), Home and End to the ends;
    // Enter and Space play from it.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void OnRecordUnpacked(std::uint64_t ticket, archive::LoadedRecord record);
    void AppendLiveValue(std::int32_t beatsPerMinute);
    void FollowPlayback();
    void OnPlayEnded(platform::PlayNotify how);
    void AnnouncePlaybackStopped();
    void ScrollTo(int offset);
    void UpdateScrollRange();
    void UpdatePointer(QPoint clientPosition);
    void UpdatePointerAtMouse();
    // The chart's client area in the layout table's pixels, one a second across.
    QSize ChartClientSize() const;
    // Widens the chart to hold the whole trace.
    void FitExtent();
    // The white label strip over the grid tiles, a page and a minute wide, at the device pixel
    // ratio; the page is copied out of it from the offset's place within a minute.
    const QPixmap& GridStrip(int clientWidth, int clientHeight, qreal devicePixelRatio);
    void PaintMinuteLabels(QPainter& painter, int offset, int chartWidth, int clientHeight,
                           ColumnSpan visible);
    void PaintTrace(QPainter& painter, int offset, int clientHeight, ColumnSpan visible);
    void PaintLayer(QPainter& painter, std::span<const std::int32_t> values, const QPen& pen,
                    int offset, int clientHeight, ColumnSpan visible);
    void PaintReadout(QPainter& painter, const ShownRate& shown);
    void PaintAudioShort(QPainter& painter, int clientWidth, int clientHeight);
    // Sorts the trace into what review draws, after the trace or its check changed.
    void UpdateLayers();
    void StartQualityCheck();
    void StopQualityCheck();
    void PaintQualityStrip(QPainter& painter, int offset, int clientHeight, ColumnSpan visible);
    void MoveKeyCursor(std::int64_t second);

    acquisition::CaptureController& m_controller;
    ChartExtent m_initialExtent;
    ChartExtent m_extent;
    int m_wheelRemainder = 0;
    bool m_liveMode = false;
    std::vector<std::int32_t> m_trace;
    std::string m_audioPath;
    std::string m_tracePath;
    platform::WavePlayer m_player;
    QTimer m_playbackTimer;
    PlaybackListener* m_playbackListener = nullptr;
    bool m_playbackAnnounced = false;  // the listener was told of a start and not yet of its end
    QPixmap m_gridStrip;
    std::vector<QPointF> m_points;
    bool m_loading = false;
    std::optional<int> m_playWhenLoaded;
    std::optional<RecordCheck> m_check;
    TraceLayers m_layers;
    // Its thread posts to this view and reads the working audio file, so it stops early.
    BackgroundCheck m_qualityCheck;
    std::optional<std::int64_t> m_keyCursor;
    // Last: its thread posts to this view, so it must stop before anything else goes.
    archive::RecordLoader m_loader;
};

}  // namespace marulo::views
