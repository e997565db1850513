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
#include "platform/WavePlayer.h"
#include "views/ChartGeometry.h"
#include "views/PlaybackListener.h"

class QPainter;

namespace marulo::views {

// The scrolling heart-rate chart: a record's trace for review with playback from a clicked
// second, or the growing trace of a running capture.
class ReviewView : public QAbstractScrollArea, public acquisition::AcquisitionListener {
    Q_OBJECT

public:
    static constexpr int kPlaybackTimerMilliseconds = 500;

    explicit ReviewView(QWidget* parent = nullptr, acquisition::CaptureController& controller =
                                                       acquisition::CaptureController::Instance());
    ~ReviewView() override;
    ReviewView(const ReviewView&) = delete;
    ReviewView& operator=(const ReviewView&) = delete;

    // Unpacks a stored record into the working files and shows its trace.
    void LoadRecord(const std::string& archivePath);
    void SetRecordFiles(const std::string& audioPath, const std::string& tracePath);
    void ClearRecord();

    void StartPlayback(int second);
    void StopPlayback();
    void SetPlaybackListener(PlaybackListener* listener) { m_playbackListener = listener; }

    // Drops the drawn grid and minute labels, so the next paint uses the current texts and fonts.
    void InvalidateCachedChart();

    const std::vector<std::int32_t>& Trace() const { return m_trace; }
    int OffsetX() const;
    bool IsLiveMode() const { return m_liveMode; }
    bool IsPlaying() const;
    // The whole second the player is at; -1 when nothing is open or the player cannot tell.
    std::int64_t PlayingSecond() const;
    const ChartExtent& Extent() const { return m_extent; }

    // Draws the shown page of the chart; with a playing second also the cursor and the readout.
    void PaintChart(QPainter& painter, std::optional<std::int64_t> playingSecond);

    // Called on the capture thread; each hands its work to the user-interface thread.
    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void AppendLiveValue(std::int32_t beatsPerMinute);
    void FollowPlayback();
    void OnPlayEnded(platform::PlayNotify how);
    void AnnouncePlaybackStopped();
    void ScrollTo(int offset);
    void UpdateScrollRange();
    void UpdatePointer(QPoint clientPosition);
    void UpdatePointerAtMouse();
    const QPixmap& Background(int chartWidth, int clientHeight);
    void PaintTrace(QPainter& painter, int offset, int clientHeight, ColumnSpan visible);
    void PaintReadout(QPainter& painter, std::int32_t value);

    acquisition::CaptureController& m_controller;
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
    QPixmap m_background;
    std::vector<QPointF> m_points;
};

}  // namespace marulo::views
