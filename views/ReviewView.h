// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractScrollArea>
#include <QPixmap>
#include <QPointF>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "platform/WavePlayer.h"
#include "review/RecordCheck.h"
#include "views/ChartGeometry.h"
#include "views/ChartPainting.h"
#include "views/PlaybackListener.h"
#include "views/QualityStrip.h"
#include "views/RateLook.h"

class QPainter;

namespace marulo::views {

// The scrolling heart-rate chart: a record's trace for review with playback from a clicked
// second, or the growing trace of a running capture. It shows the values it is given (the
// review's record and check, or the capture's rates as its listener) and loads nothing itself.
class ReviewView : public QAbstractScrollArea, public acquisition::AcquisitionListener {
    Q_OBJECT

public:
    static constexpr int kPlaybackTimerMilliseconds = 500;

    explicit ReviewView(QWidget* parent);
    ~ReviewView() override;
    ReviewView(const ReviewView&) = delete;
    ReviewView& operator=(const ReviewView&) = delete;

    // A record is on its way: nothing of the one before is shown or played; a play asked for
    // meanwhile waits for PlayWhenAsked.
    void ShowLoading();
    bool IsLoading() const { return m_loading; }
    // The loaded record; its check comes later through ShowCheck.
    void ShowRecord(std::vector<std::int32_t> trace, std::string audioPath);
    // Starts the play asked for while the record was loading, if any and if it has audio.
    void PlayWhenAsked();
    void ShowCheck(std::optional<review::RecordCheck> check);
    // The loaded record's "baby moved" marks (seconds, ascending) and its note line; also for a
    // screen reader, as the chart's description.
    void ShowEvents(std::vector<std::uint32_t> marks, QString note);
    const std::vector<std::uint32_t>& MovementMarks() const { return m_movementMarks; }
    void SetRecordFiles(const std::string& audioPath, const std::string& tracePath);
    void ClearRecord();
    // Asked before a play opens the audio (false refuses it quietly) and told once it is closed.
    void SetPlaybackHandOver(std::function<bool()> take, std::function<void()> giveBack) {
        m_takeForPlayback = std::move(take);
        m_giveBackFromPlayback = std::move(giveBack);
    }

    void StartPlayback(int second);
    void StopPlayback();
    void SetPlaybackListener(PlaybackListener* listener) { m_playbackListener = listener; }

    // Repaints with the current texts and fonts.
    void InvalidateCachedChart();

    const std::vector<std::int32_t>& Trace() const { return m_trace; }
    // A mark a second from the check of the loaded record's sound (as far as the sound reaches),
    // or while a run goes on from its live mark; empty until there is one.
    std::span<const ratecheck::Mark> QualityMarks() const;
    // What the check of the loaded record's sound found; nothing until it is done.
    const std::optional<review::RecordCheck>& Check() const { return m_check; }
    // The figure the chart shows for a second of the loaded record.
    ShownRate RateAt(std::int64_t second) const;
    int OffsetX() const;
    bool IsLiveMode() const { return m_liveMode; }
    // The live mark of the running record's next second, on this object's thread.
    void AppendLiveMark(const std::optional<livesignal::LiveSignalValue>& mark);
    bool IsPlaying() const;
    // The whole second the player is at; -1 when nothing is open or the player cannot tell.
    std::int64_t PlayingSecond() const;
    const ChartExtent& Extent() const { return m_extent; }

    // The review cursor that the keyboard moves over a stored record; none until a key moves it.
    std::optional<std::int64_t> KeyCursor() const { return m_keyCursor; }
    // What the chart says to a screen reader: the second playing, else the one under the review
    // cursor, with its rate; the strip's legend before either or when asked for by key; empty
    // with no record.
    QString SpokenReadout() const;
    // The second that readout tells of.
    std::optional<std::int64_t> ReadoutSecond() const;
    // Moves the review cursor to a second of the stored record, as the keys do.
    void MoveCursorTo(std::int64_t second);
    // The line that says the loaded record's sound ends before its trace; empty otherwise.
    QString AudioShortNote() const;
    // What the chart's lines and its quality strip mean, with the note above where it applies:
    // the tooltip, F1 or "?" on the chart, and the chart's description for a screen reader.
    QString Legend() const;

    // Draws the shown page of the chart, at the painter's device resolution; with a playing
    // second also the cursor and the readout.
    void PaintChart(QPainter& painter, std::optional<std::int64_t> playingSecond);

    // Called on the capture thread; each hands its work to the user-interface thread.
    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

signals:
    // The check of a loaded record's sound is done and its strip is shown.
    void QualityChecked();
    // A play was asked for, but the record's audio is missing or is no playable WAV file.
    void PlaybackRefused();
    // The user moved the review cursor: the readout is to be told at once.
    void readoutMoved();

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
    // Sorts the trace into what review draws, after the trace or its check changed.
    void UpdateLayers();
    void ForgetCheck();
    void ClosePlayer();
    void MoveKeyCursor(std::int64_t second);
    void NameScrollBar();

    ChartExtent m_initialExtent;
    ChartExtent m_extent;
    int m_wheelRemainder = 0;
    bool m_liveMode = false;
    std::vector<std::int32_t> m_trace;
    std::vector<std::uint32_t> m_movementMarks;
    QString m_recordNote;
    std::string m_audioPath;
    std::string m_tracePath;
    platform::WavePlayer m_player;
    QTimer m_playbackTimer;
    PlaybackListener* m_playbackListener = nullptr;
    bool m_playbackAnnounced = false;  // the listener was told of a start and not yet of its end
    GridStrip m_gridStrip;
    std::vector<QPointF> m_points;
    bool m_loading = false;
    std::optional<int> m_playWhenLoaded;
    std::optional<review::RecordCheck> m_check;
    std::vector<ratecheck::Mark> m_liveMarks;
    TraceLayers m_layers;
    std::optional<std::int64_t> m_keyCursor;
    bool m_legendAsked = false;
    std::function<bool()> m_takeForPlayback;
    std::function<void()> m_giveBackFromPlayback;
};

}  // namespace marulo::views
