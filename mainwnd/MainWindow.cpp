// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/MainWindow.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <vector>

#include "archive/RecordName.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "mainwnd/BottomStrip.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/LanguageMenu.h"
#include "mainwnd/MonitoringPresenter.h"
#include "mainwnd/MovementMarks.h"
#include "mainwnd/NoteEditor.h"
#include "mainwnd/PlaybackBar.h"
#include "mainwnd/ProfilePanel.h"
#include "mainwnd/RecordingState.h"
#include "mainwnd/RecordsPanel.h"
#include "mainwnd/ScreenReader.h"
#include "mainwnd/ShellOpen.h"
#include "mainwnd/Volume.h"
#include "platform/SettingsStore.h"
#include "views/MonitorView.h"
#include "views/ReviewBinding.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

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
    SetSpokenValue(*this, {QAccessible::Window, {}, {}, 0.0, {}, {}, {}});
    setWindowTitle(Message("ProgramName"));
    m_monitoring = std::make_unique<MonitoringPresenter>(
        *this, m_controller, m_session, m_inputChoice, m_prompts, [this] {
            return ButtonState{m_session.IsRunning(), IsPlaying(), IsMuted()};
        });
    CreateControls();
    auto* teller = new ValueChangeTeller(this);
    teller->Watch(*m_monitorView);
    teller->Watch(*m_reviewView);
    connect(m_reviewView, &views::ReviewView::readoutMoved, teller,
            [this, teller] { teller->TellNow(*m_reviewView, ValueChangeTeller::Clock::now()); });
    ConnectPanels();
    m_session.RecoverAtStart();
    m_profile->Load();
    m_records->RefreshRecordList();
    m_strip->LayoutBottomButtons();
    // Typing goes to the name at start, as it did before the buttons took the focus.
    m_profile->NameBox().setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() {
    Teardown();
    m_controller.RemoveListener(*m_reviewView);
}

bool MainWindow::IsPlaying() const {
    return m_playback != nullptr && m_playback->IsPlaying();
}

void MainWindow::CreateControls() {
    const SkinnedButton::StateSource state = [this] {
        return ButtonState{m_session.IsRunning(), IsPlaying(), IsMuted()};
    };
    m_monitorButton = m_monitoring->Button();
    PlaceControl(*m_monitorButton, kMonitorButtonId);
    PlaceControl(*m_monitoring->State(), kRecordingStateId);
    PlaceControl(*m_monitoring->Marks().Button(), kMarkButtonId);
    m_profile = new ProfilePanel(*this, m_prompts, *m_store,
                                 m_session.WorkFolder() / archive::RecordFolder, state);
    PlaceButton(*this, m_minimizeButton, kMinimizeButtonId, state, [this] { showMinimized(); });
    PlaceButton(*this, m_closeButton, kCloseButtonId, state, [this] { RequestClose(); });
    m_monitorView = m_monitoring->View();
    // Stacked in its place among the controls made so far.
    m_monitorView->raise();
    PlaceControl(*m_monitorView, kMonitorViewId);
    m_reviewView = new views::ReviewView(this);
    m_controller.AddListener(*m_reviewView);
    // The number is the second the readout tells of, so a screen reader hears it move.
    SetSpokenValue(
        *m_reviewView,
        {QAccessible::Chart,
         [this] { return m_reviewView->SpokenReadout(); },
         [this] { return static_cast<double>(m_reviewView->ReadoutSecond().value_or(0)); },
         0.0,
         [this](double second) { m_reviewView->MoveCursorTo(std::llround(second)); },
         [this] { return std::max(0.0, static_cast<double>(m_reviewView->Trace().size()) - 1); },
         {}});
    PlaceControl(*m_reviewView, kReviewViewId);
    m_playback =
        std::make_unique<PlaybackBar>(*this, m_prompts, *m_store, m_session, *m_reviewView, state);
    m_strip = new BottomStrip(*this, m_prompts, *m_store, m_inputChoice, state,
                              [this] { return m_session.IsRunning(); });
    m_records = std::make_unique<RecordsPanel>(*this, m_prompts, *m_store, m_session, *m_reviewView,
                                               [this] { return m_profile->Current(); });
    m_notes = std::make_unique<NoteEditor>(*this, m_prompts, m_session, m_records->Review(),
                                           m_records->Binding(), [this] { return IsPlaying(); });
    PlaceControl(*m_notes->Button(), kNoteButtonId);
    SetTabOrder();
    ApplyTexts();
}

void MainWindow::SetTabOrder() {
    // The panel's reading order: profile, monitoring, records and playback, the bottom strip, the
    // window buttons.
    std::vector<QWidget*> tabOrder;
    for (QWidget* control : m_profile->FocusOrder()) {
        tabOrder.push_back(control);
    }
    tabOrder.insert(tabOrder.end(),
                    {m_monitorButton, m_monitoring->Marks().Button(), m_monitorView});
    for (QWidget* control : m_records->FocusOrder()) {
        tabOrder.push_back(control);
    }
    tabOrder.insert(tabOrder.end(), {m_reviewView, m_notes->Button()});
    for (QWidget* control : m_playback->FocusOrder()) {
        tabOrder.push_back(control);
    }
    for (QWidget* control : m_strip->FocusOrder()) {
        tabOrder.push_back(control);
    }
    tabOrder.insert(tabOrder.end(), {m_minimizeButton, m_closeButton});
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void MainWindow::ConnectPanels() {
    connect(this, &FramelessFrame::shownStateChanged, this, &MainWindow::UpdateLevelWatch);
    m_profile->SetRunQuery([this] { return m_session.HoldsWorkingFiles(); });
    connect(m_profile, &ProfilePanel::nameEntered, this, [this] { focusNextChild(); });
    connect(m_profile, &ProfilePanel::motherChanged, m_records.get(),
            &RecordsPanel::OnMotherChanged);
    connect(m_profile, &ProfilePanel::motherListDismissed, m_records.get(),
            &RecordsPanel::RefreshRecordList);
    connect(m_profile, &ProfilePanel::folderOpenAsked, this,
            [this](const std::filesystem::path& folder) {
                OpenOrTellWhere(*this, m_prompts, folder.string(), m_session.WorkFolder());
            });
    connect(m_records.get(), &RecordsPanel::shownRecordChanged, this,
            &MainWindow::UpdateLevelWatch);
    connect(m_records.get(), &RecordsPanel::playableChanged, m_playback.get(),
            &PlaybackBar::SetShown);
    connect(m_records.get(), &RecordsPanel::shownRecordChanged, m_notes.get(),
            &NoteEditor::Refresh);
    connect(m_records.get(), &RecordsPanel::playableChanged, m_notes.get(), &NoteEditor::Refresh);
    connect(m_records.get(), &RecordsPanel::playFromStartAsked, m_playback.get(),
            &PlaybackBar::PlayFromStart);
    connect(m_records.get(), &RecordsPanel::shownRecordChanged, m_playback.get(),
            [this] { m_playback->SetExportable(m_records->ShowsRecord()); });
    connect(m_playback.get(), &PlaybackBar::exportAsked, m_records.get(),
            &RecordsPanel::ExportShownRecord);
    connect(m_strip, &BottomStrip::languageChanged, this, &MainWindow::Retranslate);
    // The watch lets the device go, and listens to the new choice afterwards.
    connect(m_strip, &BottomStrip::inputChoiceChanging, m_monitoring.get(),
            &MonitoringPresenter::LetGoOfInput);
    connect(m_strip, &BottomStrip::inputChoiceChanged, this, &MainWindow::UpdateLevelWatch);
    m_monitoring->SetProfileRequest([this] { return m_profile->RunProfileNow(); });
    m_monitoring->SetPlayingQuery([this] { return IsPlaying(); });
    m_records->SetPlayingQuery([this] { return IsPlaying(); });
    connect(m_monitoring.get(), &MonitoringPresenter::liveViewWanted, m_records.get(),
            [this] { m_records->ShowRecord(-1); });
    connect(m_monitoring.get(), &MonitoringPresenter::liveMarked, m_reviewView,
            &views::ReviewView::AppendLiveMark);
    connect(m_monitoring.get(), &MonitoringPresenter::recordsChanged, m_records.get(),
            &RecordsPanel::RefreshRecordList);
    connect(m_monitoring.get(), &MonitoringPresenter::nameRefused, this,
            [this] { m_profile->NameBox().setFocus(); });
    connect(m_monitoring.get(), &MonitoringPresenter::runOpened, this, [this] {
        m_playback->OnRunOpened();
        m_monitorButton->update();
    });
}

void MainWindow::ApplyTexts() {
    m_playback->ApplyTexts();
    m_monitoring->ApplyTexts();
    m_notes->ApplyTexts();
    m_records->Binding().ShowEvents();
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
    m_records->RefreshRecordList();
    // Views draw their texts in their viewports, which a repaint of the view itself leaves be.
    for (QWidget* shown : findChildren<QWidget*>()) {
        shown->update();
    }
}

void MainWindow::UpdateLevelWatch() {
    // Only while the user looks at the window: desktops show that the microphone is in use.
    m_monitoring->SetWindowFacts(!m_tornDown && isVisible() && !isMinimized() && isActiveWindow(),
                                 m_records != nullptr && m_records->ShowsRecord());
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

}  // namespace marulo::mainwnd
