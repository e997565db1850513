// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/MonitoringPresenter.h"

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <utility>
#include <variant>

#include "archive/RecordName.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"
#include "controls/WindowTexts.h"
#include "livesignal/InputLevelListener.h"
#include "livesignal/LiveSignalListener.h"
#include "livesignal/LiveTraceListener.h"
#include "mainwnd/InputLevelWatch.h"
#include "mainwnd/InputMenu.h"
#include "mainwnd/MovementMarks.h"
#include "mainwnd/RecordingState.h"
#include "mainwnd/ScreenReader.h"
#include "mainwnd/UserPrompts.h"
#include "views/MonitorView.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

namespace fs = std::filesystem;

}  // namespace

MonitoringPresenter::MonitoringPresenter(QWidget& window,
                                         acquisition::CaptureController& controller,
                                         session::MonitoringSession& session,
                                         const platform::SoundInputChoice& inputChoice,
                                         UserPrompts& prompts,
                                         controls::SkinnedButton::StateSource buttonState)
    : QObject(&window),
      m_controller(controller),
      m_session(session),
      m_prompts(prompts),
      m_button(new SkinnedButton(kMonitorButtonId, std::move(buttonState), &window)),
      m_view(new views::MonitorView(&window)),
      m_state(new RecordingState(
          [this]() -> std::optional<std::int64_t> {
              // From the start on, also while the input opens, until the stop.
              if (!m_session.IsRunning()) {
                  return std::nullopt;
              }
              return m_runClock.Seconds().value_or(0);
          },
          &window)),
      m_marks(new MovementMarks(window, session, *m_button, *m_view)) {
    connect(m_button, &QAbstractButton::clicked, this, &MonitoringPresenter::ToggleMonitoring);
    m_button->setCursor(PointingCursor());
    m_button->SetTipSource(
        [this] { return Message(m_session.IsRunning() ? "TipMonitorStop" : "TipMonitorStart"); });
    SetSpokenValue(
        *m_view,
        {QAccessible::StaticText,
         [this] { return m_session.IsRunning() ? m_view->SpokenValue() : m_view->SpokenLevel(); },
         [this] { return static_cast<double>(m_view->Shown().rate); },
         300.0,
         {},
         {},
         [this] { return m_session.IsRunning() ? m_view->SpokenMark() : QString(); }});

    // Everything from the capture threads is handed over to this object's thread.
    const auto later = [this](auto work) {
        QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
    };
    m_liveTrace = std::make_unique<livesignal::LiveTraceListener>(
        livesignal::LiveTraceSink{[this, later](bool open) {
                                      later([this, open] {
                                          m_view->SetCapturing(open && m_controller.IsCapturing());
                                          m_marks->Refresh(open && m_controller.IsCapturing());
                                          if (open) {
                                              m_marks->OnRunOpened();
                                              emit runOpened();
                                          }
                                      });
                                  },
                                  [this, later](std::vector<std::uint8_t> block) {
                                      if (m_block.Put(std::move(block))) {
                                          later([this] {
                                              if (const auto taken = m_block.Take()) {
                                                  m_view->ShowBlock(*taken);
                                              }
                                          });
                                      }
                                  },
                                  [this, later](std::int32_t rate) {
                                      if (m_rate.Put(rate)) {
                                          later([this] {
                                              if (const auto taken = m_rate.Take()) {
                                                  m_view->ShowRate(*taken);
                                              }
                                          });
                                      }
                                  }});
    m_liveSignal = std::make_unique<livesignal::LiveSignalListener>(
        [this, later](std::optional<livesignal::LiveSignalValue> value) {
            later([this, value] {
                m_view->SetLiveSignal(value);
                emit liveMarked(value);
            });
        });
    m_runLevel = std::make_unique<livesignal::InputLevelListener>(
        [this, later](const livesignal::InputLevelValue& value) {
            if (m_runLevelValue.Put(value)) {
                later([this] {
                    if (const auto taken = m_runLevelValue.Take()) {
                        ShowLevel(*taken);
                    }
                });
            }
        });
    for (acquisition::AcquisitionListener* listener :
         {static_cast<acquisition::AcquisitionListener*>(m_liveTrace.get()),
          static_cast<acquisition::AcquisitionListener*>(m_liveSignal.get()),
          static_cast<acquisition::AcquisitionListener*>(m_runLevel.get()),
          static_cast<acquisition::AcquisitionListener*>(&m_runClock)}) {
        m_controller.AddListener(*listener);
    }
    m_levelWatch = std::make_unique<InputLevelWatch>(
        inputChoice, [this](std::optional<livesignal::InputLevelValue> value) { ShowLevel(value); },
        [this] { return LevelWatchWanted(); }, this);
    // Reports come from the capture thread too; they are shown in the order they came.
    m_session.SetReporter([this](session::SessionReport report) {
        QMetaObject::invokeMethod(
            this, [this, report = std::move(report)] { OnSessionReport(report); },
            Qt::QueuedConnection);
    });
    // A start that waited for the last run's files opens its run here, where inputs are made.
    m_session.SetDispatcher([this](std::function<void()> work) {
        QMetaObject::invokeMethod(
            this,
            [this, work = std::move(work)] {
                work();
                Refresh();
            },
            Qt::QueuedConnection);
    });
}

MonitoringPresenter::~MonitoringPresenter() {
    m_session.SetReporter({});
    m_session.SetDispatcher({});
    m_levelWatch.reset();
    m_controller.RemoveListener(*m_liveTrace);
    m_controller.RemoveListener(*m_liveSignal);
    m_controller.RemoveListener(*m_runLevel);
    m_controller.RemoveListener(m_runClock);
}

controls::SkinnedButton* MonitoringPresenter::Button() const {
    return m_button;
}

views::MonitorView* MonitoringPresenter::View() const {
    return m_view;
}

RecordingState* MonitoringPresenter::State() const {
    return m_state;
}

void MonitoringPresenter::ApplyTexts() {
    m_state->Retranslate();
    m_marks->ApplyTexts();
}

MovementMarks& MonitoringPresenter::Marks() const {
    return *m_marks;
}

void MonitoringPresenter::ToggleMonitoring() {
    // Stopping is never refused: whatever the profile fields hold now, the run is named from
    // its start.
    if (m_session.IsRunning()) {
        StopRun();
        return;
    }
    if (m_playing && m_playing()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertPlaying"));
        return;
    }
    const std::optional<Profile> profile = m_profileRequest ? m_profileRequest() : std::nullopt;
    if (!profile) {
        return;
    }
    // A name that cannot be part of a file name could not name the recording at its end.
    if (archive::CheckRecordName(profile->name, profile->edc) != archive::NameProblem::None) {
        m_prompts.ShowMessage(MessageKind::Error, Message("NameInvalid"));
        emit nameRefused();
        return;
    }
    // The run takes the device: the level watch lets it go first and does not listen again
    // while the run starts.
    m_starting = true;
    m_levelWatch->LetGo();
    emit liveViewWanted();
    const session::StartProblem problem =
        m_session.Start({profile->name, profile->edc, std::chrono::system_clock::now()});
    m_starting = false;
    if (problem == session::StartProblem::WorkingFilesFailed) {
        TellWorkingFilesFailed();
        return;
    }
    Refresh();
}

void MonitoringPresenter::StopRun() {
    emit liveViewWanted();
    m_session.Stop();
    Refresh();
}

void MonitoringPresenter::Refresh() {
    m_button->update();
    m_state->Refresh();
    m_view->SetCapturing(m_controller.IsCapturing());
    m_view->update();
    m_marks->Refresh(m_session.IsRunning() && m_controller.IsCapturing());
}

bool MonitoringPresenter::MayClose() {
    if (m_session.IsRunning()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        return false;
    }
    return true;
}

void MonitoringPresenter::ShowLevel(std::optional<livesignal::InputLevelValue> value) {
    if (m_view != nullptr) {
        m_view->SetInputLevel(value);
    }
}

bool MonitoringPresenter::LevelWatchWanted() const {
    // Only while the user looks at the window: desktops show that the microphone is in use.
    return !m_closed && !m_starting && m_lookedAt && !m_recordShown &&
           !m_session.HoldsWorkingFiles();
}

void MonitoringPresenter::SetWindowFacts(bool lookedAt, bool recordShown) {
    m_lookedAt = lookedAt;
    m_recordShown = recordShown;
    ReconsiderLevelWatch();
}

void MonitoringPresenter::ReconsiderLevelWatch() {
    m_levelWatch->Reconsider();
}

void MonitoringPresenter::LetGoOfInput() {
    m_levelWatch->LetGo();
}

bool MonitoringPresenter::IsListeningForLevel() const {
    return m_levelWatch->Listening();
}

void MonitoringPresenter::Close() {
    if (m_closed) {
        return;
    }
    m_closed = true;
    m_levelWatch->LetGo();
    // The last run's record is stored before the program may end; nothing it does waits for
    // this thread, and the user can no longer act.
    m_session.Stop();
    m_session.WaitUntilClosed();
    m_session.SetReporter({});
}

void MonitoringPresenter::TellWorkingFilesFailed() {
    std::error_code ignored;
    m_prompts.ShowMessage(
        MessageKind::Error,
        Message("WorkingFilesFailed") + QLatin1Char('\n') +
            QString::fromStdString(fs::absolute(m_session.WorkFolder(), ignored).string()));
    ReconsiderLevelWatch();
    Refresh();
}

void MonitoringPresenter::TellUnstoredRecording(const session::StoreOutcome& outcome,
                                                const QString& why) {
    if (outcome.result != session::StoreResult::KeptAside &&
        outcome.result != session::StoreResult::LeftInPlace) {
        return;
    }
    std::error_code ignored;
    const fs::path shown = fs::absolute(outcome.path, ignored);
    m_prompts.ShowMessage(MessageKind::Error,
                          why + QLatin1Char('\n') + QString::fromStdString(shown.string()));
}

void MonitoringPresenter::OnSessionReport(const session::SessionReport& report) {
    std::visit([this](const auto& told) { Tell(told); }, report);
}

void MonitoringPresenter::Tell(const session::RunClosed& closed) {
    m_button->update();
    m_state->Refresh();
    m_marks->Refresh(m_session.IsRunning() && m_controller.IsCapturing());
    if (closed.outcome.marksLost) {
        m_prompts.ShowMessage(MessageKind::Error, Message("MarksNotStored"));
    }
    ShowLevel(std::nullopt);
    ReconsiderLevelWatch();
    emit recordsChanged();
    TellUnstoredRecording(closed.outcome, Message("RecordNotStored"));
}

void MonitoringPresenter::Tell(const session::RecordingFailed&) {
    if (m_session.IsRunning()) {
        StopRun();
    }
    m_prompts.ShowMessage(MessageKind::Error, Message("RecordingWriteStopped"));
}

void MonitoringPresenter::Tell(const session::KeptAsideRunsStored& stored) {
    emit recordsChanged();
    QString text = Message("KeptAsideStored");
    for (const fs::path& record : stored.records) {
        text += QLatin1Char('\n') + QString::fromStdString(record.filename().string());
    }
    m_prompts.ShowMessage(MessageKind::Warning, text);
}

void MonitoringPresenter::Tell(const session::InterruptedRunRecovered& recovered) {
    emit recordsChanged();
    if (recovered.outcome.result == session::StoreResult::Stored) {
        m_prompts.ShowMessage(
            MessageKind::Warning,
            Message("RunRecovered") + QLatin1Char('\n') +
                QString::fromStdString(recovered.outcome.path.filename().string()));
        return;
    }
    TellUnstoredRecording(recovered.outcome,
                          Message("RunRecovered") + QLatin1Char('\n') + Message("RecordNotStored"));
}

void MonitoringPresenter::Tell(const session::CaptureFailed& failed) {
    // A run that never began leaves the window idle from now on, not only once its thread has
    // ended; a lost input's run has been closed and stored already.
    if (!failed.error.inputLost) {
        m_session.Stop();
    }
    m_prompts.ShowMessage(MessageKind::Error, failed.error.noSound ? Message("SoundInputSilent")
                                              : failed.error.inputLost
                                                  ? Message("SoundInputLost")
                                                  : CaptureErrorText(failed.error));
    Refresh();
    ReconsiderLevelWatch();
}

void MonitoringPresenter::Tell(const session::AudioDropped&) {
    // The run goes on; the record holds the dropped span as silence.
    m_prompts.ShowMessage(MessageKind::Warning, Message("AudioDropped"));
}

void MonitoringPresenter::Tell(const session::QueuedStartFailed& failed) {
    if (failed.problem == session::StartProblem::WorkingFilesFailed) {
        TellWorkingFilesFailed();
    }
}

}  // namespace marulo::mainwnd
