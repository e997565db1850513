// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/PlaybackBar.h"

#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <cmath>
#include <utility>

#include "app/Fonts.h"
#include "controls/LayoutScale.h"

#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"
#include "controls/WindowTexts.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/ScreenReader.h"
#include "mainwnd/UserPrompts.h"
#include "mainwnd/Volume.h"
#include "mainwnd/VolumeSlider.h"
#include "platform/OutputVolume.h"
#include "platform/SettingsStore.h"
#include "session/MonitoringSession.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

constexpr int kVolumeRange = 65535;

// The exports the button offers, with the record menu's texts.
struct ExportEntry {
    const char* extension;
    const char* menuKey;
};
constexpr ExportEntry kExportEntries[] = {
    {"pdf", "MenuExportPdf"}, {"csv", "MenuExportCsv"}, {"wav", "MenuSaveAudio"}};

constexpr QColor kExportFace{255, 255, 255};
constexpr QColor kExportEdge{190, 120, 170};
constexpr QColor kExportText{120, 40, 110};
constexpr QColor kExportDisabled{175, 160, 175};

void DrawExportButton(QPainter& painter, const SkinnedButton& button) {
    const QRect area = QRect(QPoint(0, 0), LayoutRect(button).size()).adjusted(1, 1, -1, -1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool enabled = button.isEnabled();
    painter.setPen(QPen(enabled ? kExportEdge : kExportDisabled, 1.5));
    painter.setBrush(kExportFace);
    painter.drawRoundedRect(QRectF(area), 6, 6);
    painter.setFont(app::UiFont(true));
    painter.setPen(enabled ? kExportText : kExportDisabled);
    painter.drawText(button.isDown() ? area.translated(1, 1) : area,
                     Qt::AlignCenter | Qt::TextSingleLine, button.text());
    painter.restore();
}

}  // namespace

PlaybackBar::PlaybackBar(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                         session::MonitoringSession& session, views::ReviewView& review,
                         const SkinnedButton::StateSource& state)
    : QObject(&window), m_prompts(prompts), m_store(store), m_session(session), m_review(review) {
    PlaceButton(window, m_playButton, kPlayButtonId, state, [this] { TogglePlayback(); });
    PlaceButton(window, m_muteButton, kMuteButtonId, state, [this] { ToggleMute(); });
    PlaceButton(window, m_exportButton, kExportButtonId, state, [this] {
        OpenExportMenu();
    }).SetFallbackPainter(&DrawExportButton);
    m_exportButton->setEnabled(false);
    m_volumeSlider = new VolumeSlider(&window);
    const auto percent = [this] {
        return std::round(m_volumeSlider->value() * 100.0 / kVolumeRange);
    };
    SetSpokenValue(*m_volumeSlider, {QAccessible::Slider,
                                     [percent] { return Message("SpokenPercent").arg(percent()); },
                                     percent,
                                     100.0,
                                     [this](double value) {
                                         m_volumeSlider->setValue(static_cast<int>(
                                             std::lround(value * kVolumeRange / 100.0)));
                                     },
                                     {},
                                     {}});
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this](int value) {
        platform::SetOutputVolume(OutputLevelForSlider(value));
        // A moved slider ends the muted state.
        m_muteButton->update();
        if (!m_volumeSlider->isSliderDown()) {
            SaveVolume();
        }
    });
    connect(m_volumeSlider, &QSlider::sliderReleased, this, &PlaybackBar::SaveVolume);
    // The slider overlaps the mute button's right edge; the button stays on top.
    m_volumeSlider->stackUnder(m_muteButton);
    m_volumeSlider->setCursor(PointingCursor());
    PlaceControl(*m_volumeSlider, kVolumeSliderId);
    SetShown(false);
    connect(&m_review, &views::ReviewView::PlaybackRefused, this,
            [this] { m_prompts.ShowMessage(MessageKind::Warning, Message("AudioCannotPlay")); });
    m_review.SetPlaybackListener(this);
    InitVolumeSlider();
}

PlaybackBar::~PlaybackBar() {
    m_review.SetPlaybackListener(nullptr);
}

std::vector<QWidget*> PlaybackBar::FocusOrder() const {
    return {m_exportButton, m_playButton, m_muteButton, m_volumeSlider};
}

void PlaybackBar::ApplyTexts() {
    m_exportButton->setText(Message("ExportButton"));
    m_exportButton->SetTipSource([] { return Message("TipExport"); });
    m_playButton->SetTipSource(
        [this] { return Message(m_playing.load() ? "TipPlayStop" : "TipPlay"); });
    m_muteButton->SetTipSource([] { return Message(IsMuted() ? "TipUnmute" : "TipMute"); });
}

void PlaybackBar::SetShown(bool shown) {
    m_playButton->setVisible(shown);
    m_muteButton->setVisible(shown);
    m_volumeSlider->setVisible(shown);
}

void PlaybackBar::SetExportable(bool exportable) {
    m_exportButton->setEnabled(exportable);
    m_exportButton->update();
}

void PlaybackBar::OpenExportMenu() {
    if (!m_exportButton->isEnabled()) {
        return;
    }
    QMenu menu(m_exportButton);
    std::vector<std::pair<const QAction*, const char*>> entries;
    for (const ExportEntry& entry : kExportEntries) {
        entries.emplace_back(menu.addAction(Message(entry.menuKey)), entry.extension);
    }
    const QAction* chosen =
        m_prompts.RunMenu(menu, m_exportButton->mapToGlobal(m_exportButton->rect().bottomLeft()));
    for (const auto& [action, extension] : entries) {
        if (chosen != nullptr && chosen == action) {
            emit exportAsked(extension);
        }
    }
}

void PlaybackBar::TogglePlayback() {
    if (m_session.HoldsWorkingFiles()) {
        return;
    }
    if (m_playing) {
        m_review.StopPlayback();
    } else {
        m_review.StartPlayback(0);
    }
}

void PlaybackBar::PlayFromStart() {
    if (m_playing) {
        m_review.StopPlayback();
    }
    m_review.StartPlayback(0);
}

void PlaybackBar::OnRunOpened() {
    m_playing = false;
    m_playButton->update();
}

void PlaybackBar::ToggleMute() {
    SetMuted(!IsMuted());
    m_muteButton->update();
    SaveVolume();
}

void PlaybackBar::InitVolumeSlider() {
    const QSignalBlocker quiet(m_volumeSlider);
    m_volumeSlider->setRange(0, kVolumeRange);
    // Keys and clicks on the channel move by a fifth; the arrows by a twentieth.
    m_volumeSlider->setPageStep(kVolumeRange / 5);
    m_volumeSlider->setSingleStep(kVolumeRange / 20);
    const VolumeSetting setting = LoadVolumeSetting(m_store);
    ApplyVolumeSetting(setting);
    m_volumeSlider->setValue(setting.position);
    m_muteButton->update();
}

void PlaybackBar::SaveVolume() {
    SaveVolumeSetting(m_store, {m_volumeSlider->value(), IsMuted()});
}

void PlaybackBar::OnPlaybackStarted() {
    m_playing = true;
    m_playButton->update();
}

void PlaybackBar::OnPlaybackStopped() {
    m_playing = false;
    m_playButton->update();
}

}  // namespace marulo::mainwnd
