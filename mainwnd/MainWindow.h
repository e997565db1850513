// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/CaptureController.h"
#include "controls/WindowLayout.h"
#include "mainwnd/UserPrompts.h"
#include "platform/SoundInputChoice.h"
#include "session/MonitoringSession.h"
#include "session/WorkingFilesOwner.h"
#include "views/PlaybackListener.h"

class QAction;
class QDate;
class QListWidget;
class QLineEdit;
class QMenu;

namespace marulo::archive {
enum class RecordProblem;
}
namespace marulo::platform {
class SettingsStore;
}
namespace marulo::controls {
class SkinnedButton;
}
namespace marulo::livesignal {
class LiveSignalListener;
class InputLevelListener;
}  // namespace marulo::livesignal
namespace marulo::views {
class MonitorView;
class ReviewBinding;
class ReviewView;
}  // namespace marulo::views
namespace marulo::review {
class ReviewModel;
}

namespace marulo::mainwnd {

class EdcCalendar;
class ExportRunner;
class InputLevelWatch;
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

// The program's one window: the skinned face with every control and both views, and the
// monitoring, record and dating commands. Runs are the session's: the window asks it to start and
// stop them and tells the user what it reports.
class MainWindow : public QWidget,
                   public acquisition::AcquisitionListener,
                   public views::PlaybackListener {
    Q_OBJECT
public:
    static constexpr int kWidth = controls::kMainWindowSize.width();
    static constexpr int kHeight = controls::kMainWindowSize.height();
    static constexpr int kInputDevicesWatchMilliseconds = 2000;

    // The session's reports reach the window from now on, beginning with what it recovers at
    // start.
    // Runs open the input chosen in the window's input menu.
    MainWindow(acquisition::CaptureController& controller, session::MonitoringSession& session,
               platform::SoundInputChoice& inputChoice, const MainWindowOptions& options = {},
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Creates the controls that do not exist yet and gives every control the normal UI font.
    void CreateControls();
    void CentreOnWorkArea();

    // The folder of the stored records, in the session's work folder.
    std::filesystem::path RecordFolder() const;
    // The child with this control id, null when it does not exist.
    QWidget* Control(int id) const;
    views::MonitorView* MonitorView() const;
    views::ReviewView* ReviewView() const;
    EdcCalendar* Calendar() const;
    QListWidget* RecordList() const;
    QLineEdit* NameBox() const;
    QString EdcText() const;
    QString WeekText() const;
    QString DayText() const;
    bool IsPlaying() const { return m_playing; }
    // Whether the level watch has the input open for a moment now.
    bool IsListeningForLevel() const;
    // The mother's name as bytes: those of the name chosen from the mother list while the name
    // box still shows it (a file name need not be UTF-8), otherwise the box's text.
    std::string NameBytes() const;

    // Every box, menu and save dialog of the window.
    UserPrompts& Prompts() { return m_prompts; }

    // Commands.
    void ToggleMonitoring();
    void RequestClose();
    void ShowRecord(int index);
    bool ValidateProfile();
    void RefreshRecordList();
    void OpenWeekMenu();
    void OpenDayMenu();
    void OpenCalendar();
    void TakePickedEdc(const QDate& date);
    void TogglePlayback();
    void ToggleMute();
    void OpenMotherList();
    void OpenHomepage();
    // The record menu for the record list item at a point of the list's viewport: reports and
    // audio saved from the stored archive, and the record folder.
    void OpenRecordMenu(const QPoint& viewportPos);
    // Opens an address or path with the desktop; when nothing can, says where it is.
    void OpenOrTellWhere(const std::string& addressOrPath, const std::filesystem::path& baseFolder);
    void OpenLanguageMenu();
    // Offers the sound inputs; refused while monitoring, and an input that cannot be opened
    // leaves the choice before.
    void OpenInputMenu();
    void LayoutBottomButtons();
    void SetEdcText(const QString& edc);

    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;
    // What the session reports; on this window's thread.
    void OnSessionReport(const session::SessionReport& report);
    void OnPlaybackStarted() override;
    void OnPlaybackStopped() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ConnectRecordLoading();
    void OnRecordLoaded(archive::RecordProblem problem);
    void ApplyRoundedMask();
    void LoadProfile();
    void InitVolumeSlider();
    // Keeps the slider position and the mute state for the next start.
    void SaveVolume();
    void UpdateAgeFromEdc();
    void UpdateEdcFromAge();
    void ResetEdcToToday();
    // After a refused calendar pick: the due date from before, or today's when there was none.
    void RestoreEdcAfterRefusedPick(const QString& previous);
    int SelectedRecordIndex() const;
    void DeselectRecords();
    // Loads the selected record unless capture runs, which refuses and clears the selection.
    bool ShowSelectedRecord();
    void OnRecordSelectionChanged();
    void OnRecordDoubleClicked();
    QPoint MenuPoint(const QWidget* button, int below) const;
    // Shows a menu whose items carry their number plus one, below the button; a chosen number
    // becomes the button's text and moves the EDC.
    void ShowNumberMenu(QMenu& menu, controls::SkinnedButton& button);
    void RequestButtonRepaint();
    // The input button's caption for the devices connected now, fitted to its text.
    void UpdateInputCaption();
    // The level watch is wanted while the window is shown, idle (no run holds the device or the
    // working files) and not reviewing; otherwise the device is let go.
    bool LevelWatchWanted() const;
    void UpdateLevelWatch();
    void InstallRecordMenu();
    void ExportRecord(const std::string& bareFileName, const char* extension);
    void StopRun();
    void Tell(const session::RunClosed& closed);
    void Tell(const session::RecordingFailed& failed);
    void Tell(const session::KeptAsideRunsStored& stored);
    void Tell(const session::InterruptedRunRecovered& recovered);
    void Tell(const session::CaptureFailed& failed);
    void Tell(const session::AudioDropped& dropped);
    // Tells the user where a recording lies that could not be stored under its record name.
    void ReportUnstoredRecording(const session::StoreOutcome& outcome, const QString& why);
    void Teardown();

    MainWindowOptions m_options;
    acquisition::CaptureController& m_controller;
    session::MonitoringSession& m_session;
    platform::SoundInputChoice& m_inputChoice;
    std::unique_ptr<platform::SettingsStore> m_ownStore;
    platform::SettingsStore* m_store = nullptr;

    QPointer<controls::SkinnedButton> m_monitorButton;
    QPointer<controls::SkinnedButton> m_motherListButton;
    QPointer<controls::SkinnedButton> m_minimizeButton;
    QPointer<controls::SkinnedButton> m_closeButton;
    QPointer<views::MonitorView> m_monitorView;
    QPointer<QLineEdit> m_nameBox;
    QPointer<controls::SkinnedButton> m_weekButton;
    QPointer<controls::SkinnedButton> m_dayButton;
    QPointer<controls::SkinnedButton> m_edcDisplay;
    QPointer<controls::SkinnedButton> m_calendarButton;
    QPointer<EdcCalendar> m_edcCalendar;
    QPointer<views::ReviewView> m_reviewView;
    QPointer<controls::SkinnedButton> m_playButton;
    QPointer<controls::SkinnedButton> m_muteButton;
    QPointer<VolumeSlider> m_volumeSlider;
    QPointer<controls::SkinnedButton> m_languageButton;
    QPointer<controls::SkinnedButton> m_inputButton;
    // The capture devices as last seen.
    std::vector<platform::SoundInputDevice> m_inputDevices;
    QPointer<controls::SkinnedButton> m_homepageButton;
    QPointer<QListWidget> m_recordList;

    // Runs the live signal mark on the capture thread.
    std::unique_ptr<livesignal::LiveSignalListener> m_liveSignal;
    // The input's level while a run records, and between runs the watch's.
    std::unique_ptr<livesignal::InputLevelListener> m_runLevel;
    std::unique_ptr<InputLevelWatch> m_levelWatch;
    std::atomic<bool> m_playing{false};
    std::string m_chosenNameBytes;
    QString m_chosenNameShown;
    bool m_tornDown = false;
    bool m_startingRun = false;
    bool m_dragging = false;
    QPoint m_dragOffset;
    // The session's at merge; until then the review's own.
    session::WorkingFilesOwner m_workingFiles;
    std::unique_ptr<review::ReviewModel> m_review;
    std::unique_ptr<views::ReviewBinding> m_reviewBinding;
    QPointer<ExportRunner> m_exports;
    UserPrompts m_prompts{*this};
};

}  // namespace marulo::mainwnd
