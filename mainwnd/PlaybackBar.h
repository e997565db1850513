// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <vector>

#include "controls/SkinnedButton.h"
#include "views/PlaybackListener.h"

class QWidget;

namespace marulo::platform {
class SettingsStore;
}
namespace marulo::session {
class MonitoringSession;
}
namespace marulo::views {
class ReviewView;
}

namespace marulo::mainwnd {

class UserPrompts;
class VolumeSlider;

// The play and mute buttons and the volume slider under the review chart, shown while a record
// that can play is: plays the shown record's audio, keeps the volume for the next start. Beside
// them the export button, usable while a record is shown, offers the record's exports.
class PlaybackBar : public QObject, public views::PlaybackListener {
    Q_OBJECT
public:
    // The controls become the window's children; the volume comes from the store.
    PlaybackBar(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                session::MonitoringSession& session, views::ReviewView& review,
                const controls::SkinnedButton::StateSource& state);
    ~PlaybackBar() override;
    PlaybackBar(const PlaybackBar&) = delete;
    PlaybackBar& operator=(const PlaybackBar&) = delete;

    bool IsPlaying() const { return m_playing; }
    std::vector<QWidget*> FocusOrder() const;
    void ApplyTexts();

    // Plays from the start, or stops; nothing while a run holds the working files.
    void TogglePlayback();
    // Plays the shown record from its start, from wherever it played.
    void PlayFromStart();
    void ToggleMute();
    // Shown while the shown record has audio to play.
    void SetShown(bool shown);
    // A run took the working files: whatever played has ended.
    void OnRunOpened();
    // The export button can be used while a record is shown.
    void SetExportable(bool exportable);
    // The export menu at the export button.
    void OpenExportMenu();

    void OnPlaybackStarted() override;
    void OnPlaybackStopped() override;

signals:
    // An export of the shown record was chosen: "pdf", "csv" or "wav".
    void exportAsked(const char* extension);

private:
    void InitVolumeSlider();
    // Keeps the slider position and the mute state for the next start.
    void SaveVolume();

    UserPrompts& m_prompts;
    platform::SettingsStore& m_store;
    session::MonitoringSession& m_session;
    views::ReviewView& m_review;
    QPointer<controls::SkinnedButton> m_playButton;
    QPointer<controls::SkinnedButton> m_muteButton;
    QPointer<VolumeSlider> m_volumeSlider;
    QPointer<controls::SkinnedButton> m_exportButton;
    std::atomic<bool> m_playing{false};
};

}  // namespace marulo::mainwnd
