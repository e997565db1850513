// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <memory>

#include "acquisition/CaptureController.h"
#include "controls/WindowLayout.h"
#include "mainwnd/FramelessFrame.h"
#include "mainwnd/UserPrompts.h"
#include "platform/SoundInputChoice.h"
#include "session/MonitoringSession.h"

namespace marulo::platform {
class SettingsStore;
}
namespace marulo::controls {
class SkinnedButton;
}
namespace marulo::views {
class MonitorView;
class ReviewView;
}  // namespace marulo::views

namespace marulo::mainwnd {

class BottomStrip;
class MonitoringPresenter;
class NoteEditor;
class PlaybackBar;
class ProfilePanel;
class RecordsPanel;

struct MainWindowOptions {
    // The program's settings store when null.
    platform::SettingsStore* profileStore = nullptr;
    // Ends the event loop with code 0 once the window is gone.
    bool quitOnClose = true;
    // Below 1 on a screen too small for the window (see FitWindowScaleToScreen): the window and
    // every control shrink by it. Kept within kSmallestLayoutScale and 1.
    double layoutScale = 1.0;
};

// The program's one window: the frameless face composed of the profile panel, the monitoring
// presenter, the records panel with the review chart and its playback bar, and the bottom strip.
// Runs are the session's: the presenter asks it to start and stop them and tells what it reports.
class MainWindow : public FramelessFrame {
    Q_OBJECT
public:
    static constexpr int kWidth = controls::kMainWindowSize.width();
    static constexpr int kHeight = controls::kMainWindowSize.height();

    // The session's reports reach the window from now on, beginning with what it recovers at
    // start.
    // Runs open the input chosen in the window's input menu.
    MainWindow(acquisition::CaptureController& controller, session::MonitoringSession& session,
               platform::SoundInputChoice& inputChoice, const MainWindowOptions& options = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Renews every text, font and caption from the current language file.
    void Retranslate();

    // Every box, menu and save dialog of the window.
    UserPrompts& Prompts() { return m_prompts; }

    // Closes unless a run is being stopped and the user keeps it.
    void RequestClose();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectPanels();
    void ApplyTexts();
    bool IsPlaying() const;
    // Tells the level watch whether the user looks at the window and whether a record is shown.
    void UpdateLevelWatch();
    void Teardown();

    MainWindowOptions m_options;
    acquisition::CaptureController& m_controller;
    session::MonitoringSession& m_session;
    platform::SoundInputChoice& m_inputChoice;
    std::unique_ptr<platform::SettingsStore> m_ownStore;
    platform::SettingsStore* m_store = nullptr;

    QPointer<controls::SkinnedButton> m_monitorButton;
    QPointer<controls::SkinnedButton> m_minimizeButton;
    QPointer<controls::SkinnedButton> m_closeButton;
    QPointer<views::MonitorView> m_monitorView;
    QPointer<ProfilePanel> m_profile;
    QPointer<views::ReviewView> m_reviewView;
    QPointer<BottomStrip> m_strip;

    // The monitor button and the live view are its.
    std::unique_ptr<MonitoringPresenter> m_monitoring;
    // Gone before the review chart they show in.
    std::unique_ptr<PlaybackBar> m_playback;
    std::unique_ptr<RecordsPanel> m_records;
    // After the records panel, whose review it writes the note of.
    std::unique_ptr<NoteEditor> m_notes;
    bool m_tornDown = false;
    UserPrompts m_prompts{*this};
};

}  // namespace marulo::mainwnd
