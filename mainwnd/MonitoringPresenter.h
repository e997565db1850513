// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/CaptureController.h"
#include "controls/SkinnedButton.h"
#include "livesignal/InputLevel.h"
#include "livesignal/LatestValue.h"
#include "livesignal/LiveSignal.h"
#include "livesignal/RunClock.h"
#include "mainwnd/Profile.h"
#include "session/MonitoringSession.h"

class QWidget;

namespace marulo::livesignal {
class InputLevelListener;
class LiveSignalListener;
class LiveTraceListener;
}  // namespace marulo::livesignal
namespace marulo::platform {
class SoundInputChoice;
}
namespace marulo::views {
class MonitorView;
}

namespace marulo::mainwnd {

class InputLevelWatch;
class RecordingState;
class MovementMarks;
class UserPrompts;

// Monitoring in the window: the monitor button and the live view, starting and stopping runs,
// telling the user what the session reports, and the input's level before and during a run. The
// level bar has one hand-over, fed by the run's stream while a run captures and by the level
// watch's stream between runs. What it needs of the rest of the window comes by plain calls and
// functions; what it asks of it goes out as signals.
class MonitoringPresenter : public QObject {
    Q_OBJECT
public:
    // The profile checked by its owner, which has told the user what is missing; none refuses.
    using ProfileRequest = std::function<std::optional<Profile>()>;
    using PlayingQuery = std::function<bool()>;

    // The button and the view are children of the window, to be placed by it.
    MonitoringPresenter(QWidget& window, acquisition::CaptureController& controller,
                        session::MonitoringSession& session,
                        const platform::SoundInputChoice& inputChoice, UserPrompts& prompts,
                        controls::SkinnedButton::StateSource buttonState);
    ~MonitoringPresenter() override;
    MonitoringPresenter(const MonitoringPresenter&) = delete;
    MonitoringPresenter& operator=(const MonitoringPresenter&) = delete;

    controls::SkinnedButton* Button() const;
    views::MonitorView* View() const;
    // Whether a run records and for how long, shown beside the button.
    RecordingState* State() const;
    void ApplyTexts();
    // The "baby moved" marks of the open run.
    MovementMarks& Marks() const;

    void SetProfileRequest(ProfileRequest request) { m_profileRequest = std::move(request); }
    void SetPlayingQuery(PlayingQuery playing) { m_playing = std::move(playing); }

    // Stops a run (never refused) or starts one with the profile of this moment.
    void ToggleMonitoring();
    // False, and the user is told why, while a run records.
    bool MayClose();
    // What the window knows for the level watch: whether the user looks at it (shown, not
    // minimised, active) and whether a record is shown instead of the live view.
    void SetWindowFacts(bool lookedAt, bool recordShown);
    // Lets the input go at once, as before another input is tried; listening resumes when wanted.
    void LetGoOfInput();
    void ReconsiderLevelWatch();
    bool IsListeningForLevel() const;
    // At the program's end: lets the input go and waits until the last run's record is stored.
    void Close();

signals:
    // The live view takes the place of a shown record.
    void liveViewWanted();
    // Records were stored; the list may have changed.
    void recordsChanged();
    // The name cannot name a record; the name box should take the focus.
    void nameRefused();
    // A run opened the input.
    void runOpened();
    // The live mark of the running record's next second.
    void liveMarked(const std::optional<livesignal::LiveSignalValue>& mark);

private:
    void StopRun();
    void Refresh();
    void ShowLevel(std::optional<livesignal::InputLevelValue> value);
    bool LevelWatchWanted() const;
    void TellWorkingFilesFailed();
    void TellUnstoredRecording(const session::StoreOutcome& outcome, const QString& why);
    void OnSessionReport(const session::SessionReport& report);
    void Tell(const session::RunClosed& closed);
    void Tell(const session::RecordingFailed& failed);
    void Tell(const session::KeptAsideRunsStored& stored);
    void Tell(const session::InterruptedRunRecovered& recovered);
    void Tell(const session::CaptureFailed& failed);
    void Tell(const session::AudioDropped& dropped);
    void Tell(const session::QueuedStartFailed& failed);

    acquisition::CaptureController& m_controller;
    session::MonitoringSession& m_session;
    UserPrompts& m_prompts;
    QPointer<controls::SkinnedButton> m_button;
    QPointer<views::MonitorView> m_view;
    livesignal::RunClock m_runClock;
    QPointer<RecordingState> m_state;
    ProfileRequest m_profileRequest;
    PlayingQuery m_playing;

    // What the capture thread hands over; only the newest of each is shown.
    livesignal::LatestValue<std::vector<std::uint8_t>> m_block;
    livesignal::LatestValue<std::int32_t> m_rate;
    livesignal::LatestValue<livesignal::InputLevelValue> m_runLevelValue;
    std::unique_ptr<livesignal::LiveTraceListener> m_liveTrace;
    std::unique_ptr<livesignal::LiveSignalListener> m_liveSignal;
    std::unique_ptr<livesignal::InputLevelListener> m_runLevel;
    std::unique_ptr<InputLevelWatch> m_levelWatch;
    QPointer<MovementMarks> m_marks;
    bool m_lookedAt = false;
    bool m_recordShown = false;
    bool m_starting = false;
    bool m_closed = false;
};

}  // namespace marulo::mainwnd
