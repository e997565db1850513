// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "acquisition/CaptureController.h"
#include "controls/WindowLayout.h"
#include "mainwnd/FramelessFrame.h"
#include "mainwnd/UserPrompts.h"
#include "platform/SoundInputChoice.h"
#include "session/MonitoringSession.h"
#include "views/PlaybackListener.h"

class QListWidget;

namespace marulo::archive {
enum class RecordProblem;
}
namespace marulo::platform {
class SettingsStore;
}
namespace marulo::controls {
class SkinnedButton;
}
namespace marulo::views {
class MonitorView;
class ReviewBinding;
class ReviewView;
}  // namespace marulo::views
namespace marulo::review {
class ReviewModel;
}

namespace marulo::mainwnd {

class BottomStrip;
class ExportRunner;
class MonitoringPresenter;
class ProfilePanel;
class VolumeSlider;

struct MainWindowOptions {
    // The program's settings store when null.
    platform::SettingsStore* profileStore = nullptr;
    // Ends the event loop with code 0 once the window is gone.
    bool quitOnClose = true;
    // Below 1 on a screen too small for the window (see FitWindowScaleToScreen): the window and
    // every control shrink by it. Kept within kSmallestLayoutScale and 1.
    double layoutScale = 1.0;
};

// The program's one window: the frameless face composed of the profile panel, the monitoring and
// record controls and the bottom strip, and the monitoring and record commands. Runs are the
// session's: the window asks it to start and stop them and tells the user what it reports.
class MainWindow : public FramelessFrame, public views::PlaybackListener {
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

    // The folder of the stored records, in the session's work folder.
    std::filesystem::path RecordFolder() const;
    bool IsPlaying() const { return m_playing; }
    // Whether the level watch has the input open for a moment now.
    bool IsListeningForLevel() const;

    // Every box, menu and save dialog of the window.
    UserPrompts& Prompts() { return m_prompts; }
    MonitoringPresenter& Monitoring() { return *m_monitoring; }

    // Commands.
    void ToggleMonitoring();
    void RequestClose();
    void ShowRecord(int index);
    void RefreshRecordList();
    void TogglePlayback();
    void ToggleMute();
    // The record menu for the record list item at a point of the list's viewport: reports and
    // audio saved from the stored archive, and the record folder.
    void OpenRecordMenu(const QPoint& viewportPos);
    // Opens an address or path with the desktop; when nothing can, says where it is.
    void OpenOrTellWhere(const std::string& addressOrPath, const std::filesystem::path& baseFolder);

    void OnPlaybackStarted() override;
    void OnPlaybackStopped() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectPanels();
    void ApplyTexts();
    void ConnectRecordLoading();
    void OnRecordLoaded(archive::RecordProblem problem);
    void InitVolumeSlider();
    // Keeps the slider position and the mute state for the next start.
    void SaveVolume();
    int SelectedRecordIndex() const;
    void DeselectRecords();
    // Loads the selected record unless capture runs, which refuses and clears the selection.
    bool ShowSelectedRecord();
    void OnRecordSelectionChanged();
    void OnRecordDoubleClicked();
    // Tells the level watch whether the user looks at the window and whether a record is shown.
    void UpdateLevelWatch();
    void InstallRecordMenu();
    void ExportRecord(const std::string& bareFileName, const char* extension);
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
    QPointer<controls::SkinnedButton> m_playButton;
    QPointer<controls::SkinnedButton> m_muteButton;
    QPointer<VolumeSlider> m_volumeSlider;
    QPointer<BottomStrip> m_strip;
    QPointer<QListWidget> m_recordList;

    // The monitor button and the live view are its.
    std::unique_ptr<MonitoringPresenter> m_monitoring;
    std::atomic<bool> m_playing{false};
    bool m_tornDown = false;
    std::unique_ptr<review::ReviewModel> m_review;
    std::unique_ptr<views::ReviewBinding> m_reviewBinding;
    QPointer<ExportRunner> m_exports;
    UserPrompts m_prompts{*this};
};

}  // namespace marulo::mainwnd
