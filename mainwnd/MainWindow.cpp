// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/MainWindow.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <cmath>
#include <filesystem>
#include <utility>
#include <vector>

#include "archive/RecordName.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "mainwnd/BottomStrip.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/LanguageMenu.h"
#include "mainwnd/MonitoringPresenter.h"
#include "mainwnd/ProfilePanel.h"
#include "mainwnd/ScreenReader.h"
#include "mainwnd/Volume.h"
#include "mainwnd/VolumeSlider.h"
#include "platform/OutputVolume.h"
#include "platform/SettingsStore.h"
#include "review/ReviewModel.h"
#include "views/MonitorView.h"
#include "views/ReviewBinding.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

constexpr int kVolumeRange = 65535;

}  // namespace

MainWindow::MainWindow(acquisition::CaptureController& controller,
                       session::MonitoringSession& session, platform::SoundInputChoice& inputChoice,
                       const MainWindowOptions& options, QWidget* parent)
    : FramelessFrame(kMainWindowSize, options.layoutScale, parent),
      m_options(options),
      m_controller(controller),
      m_session(session),
      m_inputChoice(inputChoice) {
    if (m_options.profileStore != nullptr) {
        m_store = m_options.profileStore;
    } else {
        m_ownStore = std::make_unique<platform::SettingsStore>();
        m_store = m_ownStore.get();
    }
    ApplyQtTranslations();
    SetSpokenValue(*this, {QAccessible::Window, {}, {}, 0.0, {}});
    setWindowTitle(Message("ProgramName"));
    m_monitoring = std::make_unique<MonitoringPresenter>(
        *this, m_controller, m_session, m_inputChoice, m_prompts, [this] {
            return ButtonState{m_session.IsRunning(), m_playing.load(), IsMuted()};
        });
    CreateControls();
    auto* teller = new ValueChangeTeller(this);
    teller->Watch(*m_monitorView);
    teller->Watch(*m_reviewView);
    ConnectPanels();
    m_session.RecoverAtStart();
    m_profile->Load();
    RefreshRecordList();
    m_reviewView->SetPlaybackListener(this);
    ConnectRecordLoading();
    InitVolumeSlider();
    m_strip->LayoutBottomButtons();
    // Typing goes to the name at start, as it did before the buttons took the focus.
    m_profile->NameBox().setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() {
    Teardown();
    m_controller.RemoveListener(*m_reviewView);
}

void MainWindow::CreateControls() {
    const SkinnedButton::StateSource state = [this] {
        return ButtonState{m_session.IsRunning(), m_playing.load(), IsMuted()};
    };
    m_monitorButton = m_monitoring->Button();
    PlaceControl(*m_monitorButton, kMonitorButtonId);
    m_profile = new ProfilePanel(*this, m_prompts, *m_store, RecordFolder(), state);
    PlaceButton(*this, m_minimizeButton, kMinimizeButtonId, state, [this] { showMinimized(); });
    PlaceButton(*this, m_closeButton, kCloseButtonId, state, [this] { RequestClose(); });
    m_monitorView = m_monitoring->View();
    // Stacked in its place among the controls made so far.
    m_monitorView->raise();
    PlaceControl(*m_monitorView, kMonitorViewId);
    m_reviewView = new views::ReviewView(this);
    m_controller.AddListener(*m_reviewView);
    SetSpokenValue(
        *m_reviewView,
        {QAccessible::Chart, [this] { return m_reviewView->SpokenReadout(); }, {}, 0.0, {}});
    PlaceControl(*m_reviewView, kReviewViewId);
    PlaceButton(*this, m_playButton, kPlayButtonId, state, [this] { TogglePlayback(); });
    PlaceButton(*this, m_muteButton, kMuteButtonId, state, [this] { ToggleMute(); });
    m_volumeSlider = new VolumeSlider(this);
    const auto percent = [this] {
        return std::round(m_volumeSlider->value() * 100.0 / kVolumeRange);
    };
    SetSpokenValue(
        *m_volumeSlider,
        {QAccessible::Slider, [percent] { return Message("SpokenPercent").arg(percent()); },
         percent, 100.0,
         [this](double value) {
             m_volumeSlider->setValue(static_cast<int>(std::lround(value * kVolumeRange / 100.0)));
         }});
    connect(m_volumeSlider, &QSlider::valueChanged, this, [this](int value) {
        platform::SetOutputVolume(OutputLevelForSlider(value));
        // A moved slider ends the muted state.
        m_muteButton->update();
        if (!m_volumeSlider->isSliderDown()) {
            SaveVolume();
        }
    });
    connect(m_volumeSlider, &QSlider::sliderReleased, this, &MainWindow::SaveVolume);
    // The slider overlaps the mute button's right edge; the button stays on top.
    m_volumeSlider->stackUnder(m_muteButton);
    m_volumeSlider->setCursor(PointingCursor());
    PlaceControl(*m_volumeSlider, kVolumeSliderId);
    m_playButton->hide();
    m_muteButton->hide();
    m_volumeSlider->hide();
    m_strip = new BottomStrip(*this, m_prompts, *m_store, m_inputChoice, state,
                              [this] { return m_session.IsRunning(); });
    m_recordList = new QListWidget(this);
    m_recordList->setSortingEnabled(true);
    m_recordList->setUniformItemSizes(true);
    m_recordList->setFrameShape(QFrame::NoFrame);
    m_recordList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_recordList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_recordList->setMouseTracking(true);
    m_recordList->setItemDelegate(new RecordListDelegate(m_recordList));
    m_recordList->viewport()->installEventFilter(this);
    m_recordList->installEventFilter(this);
    InstallRecordMenu();
    connect(m_recordList, &QListWidget::itemSelectionChanged, this,
            &MainWindow::OnRecordSelectionChanged);
    connect(m_recordList, &QListWidget::itemDoubleClicked, this,
            &MainWindow::OnRecordDoubleClicked);
    PlaceControl(*m_recordList, kRecordListId);

    // The panel's reading order: profile, monitoring, records and playback, the bottom strip, the
    // window buttons.
    std::vector<QWidget*> tabOrder;
    for (QWidget* control : m_profile->FocusOrder()) {
        tabOrder.push_back(control);
    }
    tabOrder.insert(tabOrder.end(), {m_monitorButton, m_recordList, m_reviewView, m_playButton,
                                     m_muteButton, m_volumeSlider});
    for (QWidget* control : m_strip->FocusOrder()) {
        tabOrder.push_back(control);
    }
    tabOrder.insert(tabOrder.end(), {m_minimizeButton, m_closeButton});
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    ApplyTexts();
}

void MainWindow::ConnectPanels() {
    connect(this, &FramelessFrame::shownStateChanged, this, &MainWindow::UpdateLevelWatch);
    m_profile->SetRunQuery([this] { return m_session.HoldsWorkingFiles(); });
    connect(m_profile, &ProfilePanel::nameEntered, this, [this] { focusNextChild(); });
    connect(m_profile, &ProfilePanel::motherChanged, this, [this] {
        // The record shown from the old list, and its playback, end with it. A running or
        // closing run keeps its live chart.
        if (!m_session.HoldsWorkingFiles() && SelectedRecordIndex() >= 0) {
            ShowRecord(-1);
        }
        RefreshRecordList();
    });
    connect(m_profile, &ProfilePanel::motherListDismissed, this, &MainWindow::RefreshRecordList);
    connect(m_profile, &ProfilePanel::folderOpenAsked, this,
            [this](const std::filesystem::path& folder) {
                OpenOrTellWhere(folder.string(), m_session.WorkFolder());
            });
    connect(m_strip, &BottomStrip::languageChanged, this, &MainWindow::Retranslate);
    // The watch lets the device go, and listens to the new choice afterwards.
    connect(m_strip, &BottomStrip::inputChoiceChanging, m_monitoring.get(),
            &MonitoringPresenter::LetGoOfInput);
    connect(m_strip, &BottomStrip::inputChoiceChanged, this, &MainWindow::UpdateLevelWatch);
    m_monitoring->SetProfileRequest([this] { return m_profile->RunProfileNow(); });
    m_monitoring->SetPlayingQuery([this] { return m_playing.load(); });
    connect(m_monitoring.get(), &MonitoringPresenter::liveViewWanted, this,
            [this] { ShowRecord(-1); });
    connect(m_monitoring.get(), &MonitoringPresenter::recordsChanged, this,
            &MainWindow::RefreshRecordList);
    connect(m_monitoring.get(), &MonitoringPresenter::nameRefused, this,
            [this] { m_profile->NameBox().setFocus(); });
    connect(m_monitoring.get(), &MonitoringPresenter::runOpened, this, [this] {
        m_playing = false;
        m_playButton->update();
        m_monitorButton->update();
    });
}

void MainWindow::ApplyTexts() {
    m_playButton->SetTipSource(
        [this] { return Message(m_playing.load() ? "TipPlayStop" : "TipPlay"); });
    m_muteButton->SetTipSource([] { return Message(IsMuted() ? "TipUnmute" : "TipMute"); });
    m_profile->Retranslate();
    ApplyControlTexts(*this);
}

void MainWindow::Retranslate() {
    ApplyQtTranslations();
    repaint();
    m_strip->LayoutBottomButtons();
    ApplyTexts();
    m_reviewView->InvalidateCachedChart();
    // The items' spoken names are in the language too.
    RefreshRecordList();
    // Views draw their texts in their viewports, which a repaint of the view itself leaves be.
    for (QWidget* shown : findChildren<QWidget*>()) {
        shown->update();
    }
}

void MainWindow::ToggleMute() {
    SetMuted(!IsMuted());
    m_muteButton->update();
    SaveVolume();
}

void MainWindow::InitVolumeSlider() {
    const QSignalBlocker quiet(m_volumeSlider);
    m_volumeSlider->setRange(0, kVolumeRange);
    // Keys and clicks on the channel move by a fifth; the arrows by a twentieth.
    m_volumeSlider->setPageStep(kVolumeRange / 5);
    m_volumeSlider->setSingleStep(kVolumeRange / 20);
    const VolumeSetting setting = LoadVolumeSetting(*m_store);
    ApplyVolumeSetting(setting);
    m_volumeSlider->setValue(setting.position);
    m_muteButton->update();
}

void MainWindow::SaveVolume() {
    SaveVolumeSetting(*m_store, {m_volumeSlider->value(), IsMuted()});
}

std::filesystem::path MainWindow::RecordFolder() const {
    return m_session.WorkFolder() / archive::RecordFolder;
}

bool MainWindow::IsListeningForLevel() const {
    return m_monitoring->IsListeningForLevel();
}

void MainWindow::UpdateLevelWatch() {
    // Only while the user looks at the window: desktops show that the microphone is in use.
    m_monitoring->SetWindowFacts(!m_tornDown && isVisible() && !isMinimized() && isActiveWindow(),
                                 SelectedRecordIndex() >= 0);
}

void MainWindow::ToggleMonitoring() {
    m_monitoring->ToggleMonitoring();
}

void MainWindow::RequestClose() {
    if (m_monitoring->MayClose()) {
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A close from the window system while monitoring ends the run and keeps its record.
    Teardown();
    event->accept();
}

void MainWindow::Teardown() {
    if (m_tornDown) {
        return;
    }
    m_tornDown = true;
    m_monitoring->Close();
    m_profile->Save();
    if (m_options.quitOnClose) {
        QCoreApplication::exit(0);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (m_recordList != nullptr && watched == m_recordList && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shift+F10 is the Menu key of keyboards that lack one.
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            if (const QListWidgetItem* current = m_recordList->currentItem()) {
                OpenRecordMenu(m_recordList->visualItemRect(current).center());
            }
            return true;
        }
        // The focus alone makes the first record current without choosing it; the first arrow
        // chooses it instead of passing over it.
        if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) &&
            m_recordList->selectedItems().isEmpty() && m_recordList->count() > 0) {
            QListWidgetItem* current = m_recordList->currentItem();
            if (current == nullptr) {
                m_recordList->setCurrentRow(0);
            } else {
                current->setSelected(true);
            }
            return true;
        }
    }
    if (m_recordList != nullptr && watched == m_recordList->viewport() &&
        event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_recordList->itemAt(mouse->position().toPoint()) != nullptr) {
            m_recordList->viewport()->setCursor(PointingCursor());
        } else {
            m_recordList->viewport()->unsetCursor();
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace marulo::mainwnd
