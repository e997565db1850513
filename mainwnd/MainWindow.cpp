// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMediaDevices>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalBlocker>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <filesystem>
#include <type_traits>
#include <utility>

#include "acquisition/CaptureFormat.h"
#include "app/Fonts.h"
#include "app/WorkFolder.h"
#include "archive/RecordName.h"
#include "controls/LayoutScale.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "dialogs/MotherListDialog.h"
#include "livesignal/LiveSignalListener.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/Dating.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/InputLevelWatch.h"
#include "mainwnd/InputMenu.h"
#include "mainwnd/LanguageMenu.h"
#include "mainwnd/PanelPainter.h"
#include "mainwnd/Profile.h"
#include "mainwnd/ScreenReader.h"
#include "mainwnd/Volume.h"
#include "mainwnd/VolumeSlider.h"
#include "mainwnd/WindowPlacement.h"
#include "platform/DayNumbers.h"
#include "platform/OutputVolume.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInputChoice.h"
#include "report/RecordFacts.h"
#include "views/MonitorView.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

namespace {

using namespace controls;

constexpr int kLastWeek = 43;
constexpr int kDaysInWeek = 7;
constexpr int kVolumeRange = 65535;

// What each control is for, for its tooltip and for screen readers.
struct ControlTip {
    int id;
    const char* key;
};
constexpr ControlTip kControlTips[] = {
    {kMinimizeButtonId, "TipMinimize"},
    {kCloseButtonId, "TipClose"},
    {kMotherListButtonId, "TipMotherList"},
    {kMonitorViewId, "TipLiveView"},
    {kNameBoxId, "TipName"},
    {kWeekButtonId, "TipWeek"},
    {kDayButtonId, "TipDay"},
    {kEdcDisplayId, "TipEdc"},
    {kCalendarButtonId, "TipCalendar"},
    {kEdcCalendarId, "TipEdcCalendar"},
    {kRecordListId, "TipRecords"},
    {kReviewViewId, "TipChart"},
    {kVolumeSliderId, "TipVolume"},
    {kHomepageButtonId, "TipHomepage"},
    {kLanguageButtonId, "TipLanguage"},
    {kInputButtonId, "TipInput"},
};

// The names of the month calendar's own controls, by Qt's object names.
struct CalendarPart {
    const char* objectName;
    const char* key;
};
constexpr CalendarPart kCalendarParts[] = {
    {"qt_calendar_prevmonth", "CalendarPrevMonth"}, {"qt_calendar_nextmonth", "CalendarNextMonth"},
    {"qt_calendar_monthbutton", "CalendarMonth"},   {"qt_calendar_yearbutton", "CalendarYear"},
    {"qt_calendar_yearedit", "CalendarYear"},       {"qt_calendar_calendarview", "CalendarDays"},
};

const char* TipKey(int id) {
    for (const ControlTip& tip : kControlTips) {
        if (tip.id == id) {
            return tip.key;
        }
    }
    return nullptr;
}

}  // namespace

MainWindow::MainWindow(acquisition::CaptureController& controller,
                       session::MonitoringSession& session, platform::SoundInputChoice& inputChoice,
                       const MainWindowOptions& options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
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
    SetLayoutScale(*this, std::clamp(m_options.layoutScale, kSmallestLayoutScale, 1.0));
    setFixedSize(ScaledSize(kMainWindowSize, LayoutScale(*this)));
    // The face is painted whole; there is nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);

    ApplyQtTranslations();
    SetSpokenValue(*this, {QAccessible::Window, {}, {}, 0.0, {}});
    setWindowTitle(Message("ProgramName"));
    CreateControls();
    ApplyRoundedMask();
    auto* teller = new ValueChangeTeller(this);
    teller->Watch(*m_monitorView);
    teller->Watch(*m_reviewView);
    m_controller.AddListener(*this);
    m_liveSignal = std::make_unique<livesignal::LiveSignalListener>(
        [view = m_monitorView.data()](std::optional<livesignal::LiveSignalValue> value) {
            QMetaObject::invokeMethod(
                view, [view, value] { view->SetLiveSignal(value); }, Qt::QueuedConnection);
        });
    m_controller.AddListener(*m_liveSignal);
    m_runLevel = std::make_unique<livesignal::InputLevelListener>(
        [view = m_monitorView.data()](const livesignal::InputLevelValue& value) {
            QMetaObject::invokeMethod(
                view, [view, value] { view->SetInputLevel(value); }, Qt::QueuedConnection);
        });
    m_controller.AddListener(*m_runLevel);
    m_levelWatch = std::make_unique<InputLevelWatch>(
        m_inputChoice,
        [this](std::optional<livesignal::InputLevelValue> value) {
            m_monitorView->SetInputLevel(value);
        },
        [this] { return LevelWatchWanted(); }, this);
    // Reports come from the capture thread too; they are shown in the order they came.
    m_session.SetReporter([this](session::SessionReport report) {
        QMetaObject::invokeMethod(
            this, [this, report = std::move(report)] { OnSessionReport(report); },
            Qt::QueuedConnection);
    });
    m_session.RecoverAtStart();
    LoadProfile();
    m_inputChoice.Choose(KeptInput(*m_store));
    // Devices plugged in or out change what a run opens; the caption follows. Qt 6.4 on
    // PulseAudio updates its list without telling, so the list is also looked at every 2 s.
    connect(new QMediaDevices(this), &QMediaDevices::audioInputsChanged, this,
            &MainWindow::UpdateInputCaption);
    auto* devicesWatch = new QTimer(this);
    connect(devicesWatch, &QTimer::timeout, this, [this] {
        std::vector<platform::SoundInputDevice> devices = platform::SoundInputDevices();
        if (devices != m_inputDevices) {
            m_inputDevices = std::move(devices);
            UpdateInputCaption();
        }
    });
    devicesWatch->start(kInputDevicesWatchMilliseconds);
    RefreshRecordList();
    m_reviewView->SetPlaybackListener(this);
    ConnectRecordLoading();
    InitVolumeSlider();
    LayoutBottomButtons();
    m_nameBox->setFont(LayoutFont(*this, app::UiFont(false)));
    // Typing goes to the name at start, as it did before the buttons took the focus.
    m_nameBox->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow() {
    Teardown();
}

void MainWindow::CreateControls() {
    const SkinnedButton::StateSource state = [this] {
        return ButtonState{m_session.IsRunning(), m_playing.load(), IsMuted()};
    };
    const auto button = [&](QPointer<SkinnedButton>& slot, int id, auto command) {
        if (slot == nullptr) {
            slot = new SkinnedButton(id, state, this);
            if constexpr (!std::is_same_v<decltype(command), std::nullptr_t>) {
                connect(slot, &QAbstractButton::clicked, this, command);
            }
            // The two text panels at the bottom edge.
            slot->SetFallbackPainter([](QPainter& painter, const SkinnedButton& panel) {
                DrawTextPanel(painter, LayoutRect(panel), panel.isDown(), panel.text());
            });
        }
        return slot.data();
    };
    const auto place = [this](QWidget* control, int id) {
        if (control->property(kControlIdProperty).isValid()) {
            return;
        }
        const ControlPlace where = PlaceOf(id);
        control->setProperty(kControlIdProperty, id);
        control->setObjectName(QString::fromLatin1(where.name));
        control->setGeometry(ScaledRect(where.rect, LayoutScale(*this)));
        control->show();
    };
    const auto placeButton = [&](QPointer<SkinnedButton>& slot, int id, auto command) {
        place(button(slot, id, command), id);
    };

    placeButton(m_monitorButton, kMonitorButtonId, &MainWindow::ToggleMonitoring);
    placeButton(m_motherListButton, kMotherListButtonId, &MainWindow::OpenMotherList);
    placeButton(m_minimizeButton, kMinimizeButtonId, &QWidget::showMinimized);
    placeButton(m_closeButton, kCloseButtonId, &MainWindow::RequestClose);
    if (m_monitorView == nullptr) {
        m_monitorView = new views::MonitorView(this, m_controller);
        SetSpokenValue(
            *m_monitorView,
            {QAccessible::StaticText,
             [this] { return m_session.IsRunning() ? m_monitorView->SpokenValue() : QString(); },
             [this] { return static_cast<double>(m_monitorView->Shown().rate); },
             300.0,
             {}});
    }
    place(m_monitorView, kMonitorViewId);
    if (m_nameBox == nullptr) {
        m_nameBox = new QLineEdit(this);
        m_nameBox->setFrame(false);
        m_nameBox->setAlignment(Qt::AlignCenter);
        m_nameBox->setMaxLength(static_cast<int>(archive::MaxTextBytes));
        connect(m_nameBox, &QLineEdit::returnPressed, this, [this] { focusNextChild(); });
        m_nameBox->installEventFilter(this);
    }
    place(m_nameBox, kNameBoxId);
    placeButton(m_weekButton, kWeekButtonId, &MainWindow::OpenWeekMenu);
    placeButton(m_dayButton, kDayButtonId, &MainWindow::OpenDayMenu);
    placeButton(m_edcDisplay, kEdcDisplayId, &MainWindow::OpenCalendar);
    placeButton(m_calendarButton, kCalendarButtonId, &MainWindow::OpenCalendar);
    if (m_edcCalendar == nullptr) {
        m_edcCalendar = new EdcCalendar(this);
        connect(m_edcCalendar, &EdcCalendar::picked, this, &MainWindow::TakePickedEdc);
    }
    if (!m_edcCalendar->property(kControlIdProperty).isValid()) {
        place(m_edcCalendar, kEdcCalendarId);
        m_edcCalendar->hide();
    }
    if (m_reviewView == nullptr) {
        m_reviewView = new views::ReviewView(this, m_controller, m_session.WorkFolder());
        SetSpokenValue(
            *m_reviewView,
            {QAccessible::Chart, [this] { return m_reviewView->SpokenReadout(); }, {}, 0.0, {}});
    }
    place(m_reviewView, kReviewViewId);
    const bool newPlaybackControls = m_playButton == nullptr;
    placeButton(m_playButton, kPlayButtonId, &MainWindow::TogglePlayback);
    placeButton(m_muteButton, kMuteButtonId, &MainWindow::ToggleMute);
    if (m_volumeSlider == nullptr) {
        m_volumeSlider = new VolumeSlider(this);
        const auto percent = [this] {
            return std::round(m_volumeSlider->value() * 100.0 / kVolumeRange);
        };
        SetSpokenValue(
            *m_volumeSlider,
            {QAccessible::Slider, [percent] { return Message("SpokenPercent").arg(percent()); },
             percent, 100.0,
             [this](double value) {
                 m_volumeSlider->setValue(
                     static_cast<int>(std::lround(value * kVolumeRange / 100.0)));
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
    }
    place(m_volumeSlider, kVolumeSliderId);
    if (newPlaybackControls) {
        m_playButton->hide();
        m_muteButton->hide();
        m_volumeSlider->hide();
    }
    placeButton(m_languageButton, kLanguageButtonId, &MainWindow::OpenLanguageMenu);
    placeButton(m_inputButton, kInputButtonId, &MainWindow::OpenInputMenu);
    placeButton(m_homepageButton, kHomepageButtonId, &MainWindow::OpenHomepage);
    if (m_recordList == nullptr) {
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
    }
    place(m_recordList, kRecordListId);

    const QCursor pointing = PointingCursor();
    for (QWidget* clickable :
         {static_cast<QWidget*>(m_monitorButton.data()),
          static_cast<QWidget*>(m_motherListButton.data()),
          static_cast<QWidget*>(m_minimizeButton.data()),
          static_cast<QWidget*>(m_closeButton.data()), static_cast<QWidget*>(m_weekButton.data()),
          static_cast<QWidget*>(m_dayButton.data()), static_cast<QWidget*>(m_calendarButton.data()),
          static_cast<QWidget*>(m_playButton.data()), static_cast<QWidget*>(m_muteButton.data()),
          static_cast<QWidget*>(m_volumeSlider.data()),
          static_cast<QWidget*>(m_languageButton.data()),
          static_cast<QWidget*>(m_inputButton.data()),
          static_cast<QWidget*>(m_homepageButton.data())}) {
        clickable->setCursor(pointing);
    }

    // The panel's reading order: profile, monitoring, records and playback, the bottom strip, the
    // window buttons.
    QWidget* const tabOrder[] = {
        m_motherListButton, m_nameBox,        m_weekButton,     m_dayButton,
        m_calendarButton,   m_monitorButton,  m_recordList,     m_reviewView,
        m_playButton,       m_muteButton,     m_volumeSlider,   m_languageButton,
        m_inputButton,      m_homepageButton, m_minimizeButton, m_closeButton,
    };
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }

    m_monitorButton->SetTipSource(
        [this] { return Message(m_session.IsRunning() ? "TipMonitorStop" : "TipMonitorStart"); });
    m_playButton->SetTipSource(
        [this] { return Message(m_playing.load() ? "TipPlayStop" : "TipPlay"); });
    m_muteButton->SetTipSource([] { return Message(IsMuted() ? "TipUnmute" : "TipMute"); });
    m_edcCalendar->ApplyLanguage();
    for (const CalendarPart& part : kCalendarParts) {
        if (auto* control = m_edcCalendar->findChild<QWidget*>(QLatin1String(part.objectName))) {
            control->setAccessibleName(Message(part.key));
        }
    }
    m_nameBox->setPlaceholderText(Message("HintName"));
    m_edcDisplay->SetPlaceholder(Message("HintEdc"));

    const QFont font = LayoutFont(*this, app::UiFont(false));
    for (QObject* child : children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control == nullptr || !control->property(kControlIdProperty).isValid()) {
            continue;
        }
        control->setFont(font);
        const char* tipKey = TipKey(control->property(kControlIdProperty).toInt());
        if (auto* button = qobject_cast<SkinnedButton*>(control)) {
            if (tipKey != nullptr) {
                button->SetTipSource([tipKey] { return Message(tipKey); });
            }
            button->RefreshTip();
        } else if (tipKey != nullptr) {
            control->setToolTip(Message(tipKey));
            control->setAccessibleName(Message(tipKey));
        }
        control->update();
    }
}

void MainWindow::ApplyRoundedMask() {
    // The rounded rectangle spans one pixel beyond the window, with 15 x 15 corner ellipses.
    const double scale = LayoutScale(*this);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), 7.5 * scale, 7.5 * scale);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void MainWindow::CentreOnWorkArea() {
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) {
        return;
    }
    const QRect work = shown->availableGeometry();
    const ScreenPoint corner = CentredTopLeft(
        {work.left(), work.top(), work.left() + work.width(), work.top() + work.height()}, width(),
        height());
    move(corner.x, corner.y);
}

QWidget* MainWindow::Control(int id) const {
    for (QObject* child : children()) {
        if (child->property(kControlIdProperty).toInt() == id) {
            return qobject_cast<QWidget*>(child);
        }
    }
    return nullptr;
}

views::MonitorView* MainWindow::MonitorView() const {
    return m_monitorView;
}
views::ReviewView* MainWindow::ReviewView() const {
    return m_reviewView;
}
EdcCalendar* MainWindow::Calendar() const {
    return m_edcCalendar;
}
QListWidget* MainWindow::RecordList() const {
    return m_recordList;
}
QLineEdit* MainWindow::NameBox() const {
    return m_nameBox;
}

QString MainWindow::EdcText() const {
    return m_edcDisplay->text();
}
QString MainWindow::WeekText() const {
    return m_weekButton->text();
}
QString MainWindow::DayText() const {
    return m_dayButton->text();
}

void MainWindow::SetEdcText(const QString& edc) {
    m_edcDisplay->setText(edc);
    m_edcDisplay->update();
}

void MainWindow::ShowMessage(MessageKind kind, const QString& text) {
    ShowMessageOffering(kind, text, QString());
}

bool MainWindow::ShowMessageOffering(MessageKind kind, const QString& text, const QString& offer) {
    if (m_messageHook) {
        m_messageHook(kind, text);
        return false;
    }
    const auto [icon, captionKey] = [kind] {
        switch (kind) {
            case MessageKind::Warning:
                return std::pair(QMessageBox::Warning, "Exclamation");
            case MessageKind::Error:
                return std::pair(QMessageBox::Critical, "Error");
            case MessageKind::Information:
                break;
        }
        return std::pair(QMessageBox::Information, "ProgramName");
    }();
    QMessageBox box(icon, Message(captionKey), text, QMessageBox::Ok, this);
    const QAbstractButton* offered =
        offer.isEmpty() ? nullptr : box.addButton(offer, QMessageBox::ActionRole);
    // Escape and the close box still answer OK beside the offer.
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return offered != nullptr && box.clickedButton() == offered;
}

QPoint MainWindow::MenuPoint(const QWidget* button, int below) const {
    const QRect rect = button->geometry();
    return mapToGlobal(QPoint(rect.left() - 2, rect.top() + rect.height() + below));
}

QAction* MainWindow::RunMenu(QMenu& menu, const QPoint& globalPos) {
    if (m_menuHook) {
        return m_menuHook(menu, globalPos);
    }
    return menu.exec(globalPos);
}

void MainWindow::OpenWeekMenu() {
    QMenu menu(this);
    for (const WeekRange range : WeekMenuRanges()) {
        QMenu* sub = menu.addMenu(FromUtf8(WeekRangeLabel(range)));
        for (int week = range.low; week <= range.high && week <= kLastWeek; ++week) {
            sub->addAction(QString::number(week))->setData(week + 1);
        }
    }
    ShowNumberMenu(menu, *m_weekButton);
}

void MainWindow::OpenDayMenu() {
    QMenu menu(this);
    for (int day = 0; day < kDaysInWeek; ++day) {
        menu.addAction(QString::number(day))->setData(day + 1);
    }
    ShowNumberMenu(menu, *m_dayButton);
}

void MainWindow::ShowNumberMenu(QMenu& menu, controls::SkinnedButton& button) {
    const QAction* chosen = RunMenu(menu, MenuPoint(&button, 3));
    if (chosen != nullptr && chosen->data().toInt() > 0) {
        button.setText(QString::number(chosen->data().toInt() - 1));
        button.update();
        UpdateEdcFromAge();
    }
}

void MainWindow::UpdateAgeFromEdc() {
    const auto age = AgeFromEdc(ControlText(EdcText()), platform::NowDayNumber());
    m_weekButton->setText(age ? QString::number(age->week) : QString());
    m_dayButton->setText(age ? QString::number(age->day) : QString());
    m_weekButton->update();
    m_dayButton->update();
}

void MainWindow::UpdateEdcFromAge() {
    SetEdcText(FromUtf8(
        EdcFromAge(WeekText().toStdString(), DayText().toStdString(), platform::NowDayNumber())));
}

void MainWindow::ResetEdcToToday() {
    const platform::CivilDateTime today = platform::NowLocalTime();
    SetEdcText(FromUtf8(FormatEdc(today.year, today.month, today.day)));
    UpdateAgeFromEdc();
}

void MainWindow::RestoreEdcAfterRefusedPick(const QString& previous) {
    // A mis-click must not replace a due date that every later record is filed under.
    if (previous.isEmpty()) {
        ResetEdcToToday();
        return;
    }
    SetEdcText(previous);
    UpdateAgeFromEdc();
}

void MainWindow::OpenCalendar() {
    // The calendar opens on the due date it would change, else on today.
    const QDate edc = QDate::fromString(EdcText(), QStringLiteral("yyyy-MM-dd"));
    m_edcCalendar->Open(edc.isValid() ? edc : QDate::currentDate());
}

void MainWindow::TakePickedEdc(const QDate& date) {
    m_edcCalendar->hide();
    const QString previous = EdcText();
    SetEdcText(FromUtf8(FormatEdc(date.year(), date.month(), date.day())));
    UpdateAgeFromEdc();
    const auto age = AgeFromEdc(ControlText(EdcText()), platform::NowDayNumber());
    if (!age) {
        return;
    }
    switch (CheckPickedAge(*age)) {
        case EdcPickCheck::TooFarAhead:
            ShowMessage(MessageKind::Warning, Message("AlertEDCOver"));
            RestoreEdcAfterRefusedPick(previous);
            break;
        case EdcPickCheck::Passed:
            ShowMessage(MessageKind::Warning, Message("AlertEDCPass"));
            RestoreEdcAfterRefusedPick(previous);
            break;
        case EdcPickCheck::Accepted:
            break;
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

void MainWindow::LoadProfile() {
    // Told once, at start, while the user can still write the details down elsewhere.
    if (!m_store->CanWrite()) {
        QTimer::singleShot(
            0, this, [this] { ShowMessage(MessageKind::Warning, Message("ProfileNotSaved")); });
    }
    const Profile profile = mainwnd::LoadProfile(*m_store);
    if (!profile.name.empty()) {
        // A name in another encoding is shown with replacement characters, used by its bytes.
        m_chosenNameBytes = profile.name;
        m_chosenNameShown = FromUtf8(profile.name);
        m_nameBox->setText(m_chosenNameShown);
    }
    if (!profile.edc.empty()) {
        SetEdcText(FromUtf8(profile.edc));
        UpdateAgeFromEdc();
    }
}

std::filesystem::path MainWindow::RecordFolder() const {
    return m_session.WorkFolder() / archive::RecordFolder;
}

void MainWindow::LayoutBottomButtons() {
    mainwnd::LayoutBottomButtons(*m_languageButton, *m_homepageButton,
                                 QFontMetrics(LayoutFont(*this, app::UiFont(true))));
    UpdateInputCaption();
}

void MainWindow::UpdateInputCaption() {
    constexpr int kPadding = 6;
    constexpr int kGap = 8;
    const QFontMetrics metrics(LayoutFont(*this, app::UiFont(true)));
    const QRect place = ScaledRect(ControlRect(kInputButtonId), LayoutScale(*this));
    const int room = m_homepageButton->geometry().left() - kGap - place.left();
    const QString whole = InputCaption(m_inputChoice.Chosen(), m_inputChoice.InUse());
    const QString caption = metrics.elidedText(whole, Qt::ElideMiddle, room - kPadding);
    m_inputButton->setText(caption);
    // A screen reader hears the device's whole name, which the panel may shorten.
    m_inputButton->setAccessibleName(whole);
    m_inputButton->setGeometry(place.left(), place.top(),
                               std::min(room, metrics.horizontalAdvance(caption) + kPadding),
                               place.height());
    m_inputButton->update();
}

bool MainWindow::IsListeningForLevel() const {
    return m_levelWatch->Listening();
}

bool MainWindow::LevelWatchWanted() const {
    // Only while the user looks at the window: desktops show that the microphone is in use.
    return !m_tornDown && !m_startingRun && isVisible() && !isMinimized() && isActiveWindow() &&
           !m_session.HoldsWorkingFiles() && SelectedRecordIndex() < 0;
}

void MainWindow::UpdateLevelWatch() {
    m_levelWatch->Reconsider();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateLevelWatch();
}

void MainWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    UpdateLevelWatch();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange || event->type() == QEvent::ActivationChange) {
        UpdateLevelWatch();
    }
}

void MainWindow::OpenInputMenu() {
    if (m_session.IsRunning()) {
        ShowMessage(MessageKind::Warning, Message("InputWhileMonitoring"));
        return;
    }
    const InputMenuChoice choice = RunInputMenu(
        *this, *m_inputButton, m_inputChoice.Chosen(),
        [this](QMenu& menu, const QPoint& globalPos) { return RunMenu(menu, globalPos); });
    if (!choice.made) {
        return;
    }
    // The watch lets the device go, and listens to the new choice afterwards.
    m_levelWatch->LetGo();
    const auto listenAgain = qScopeGuard([this] { UpdateLevelWatch(); });
    if (choice.device) {
        platform::SoundInputError error;
        if (!platform::TrySoundInput(*choice.device, acquisition::CaptureFormat(), error)) {
            ShowMessage(MessageKind::Error,
                        Message("InputNotChosen") + QLatin1Char('\n') +
                            CaptureErrorText(acquisition::CaptureErrorOf(error, true, false)));
            return;
        }
    }
    m_inputChoice.Choose(choice.device);
    KeepInput(*m_store, choice.device);
    UpdateInputCaption();
}

void MainWindow::OpenMotherList() {
    dialogs::MotherListDialog dialog(this, RecordFolder(),
                                     [this](const std::filesystem::path& folder) {
                                         OpenOrTellWhere(folder.string(), m_session.WorkFolder());
                                     });
    if (dialog.exec() != dialogs::kMotherListOkId) {
        // Cancel leaves the window as it was: the review and its playback go on.
        RefreshRecordList();
        return;
    }
    m_chosenNameBytes = dialog.ChosenName();
    m_chosenNameShown = FromUtf8(m_chosenNameBytes);
    m_nameBox->setText(m_chosenNameShown);
    SetEdcText(FromUtf8(dialog.ChosenEdc()));
    UpdateAgeFromEdc();
    // The record shown from the old list, and its playback, end with it. A running or closing
    // run keeps its live chart.
    if (!m_session.HoldsWorkingFiles() && SelectedRecordIndex() >= 0) {
        ShowRecord(-1);
    }
    RefreshRecordList();
}

void MainWindow::OpenHomepage() {
    const auto where = std::make_shared<std::string>();
    const auto tellWhere = [this, where] {
        ShowMessage(MessageKind::Warning, Message("OpenFailed") + '\n' + FromUtf8(*where));
    };
    if (!OpenHomepageAddress(*where, this, tellWhere) && !where->empty()) {
        tellWhere();
    }
}

void MainWindow::OpenLanguageMenu() {
    const bool switched = RunLanguageMenu(
        *this, *m_languageButton,
        [this](QMenu& menu, const QPoint& globalPos) { return RunMenu(menu, globalPos); },
        [this](const std::string& file) {
            ShowMessage(MessageKind::Warning,
                        Message("LanguageOutsideFolder") + QLatin1Char('\n') + FromUtf8(file));
        });
    if (!switched) {
        return;
    }
    ApplyQtTranslations();
    repaint();
    LayoutBottomButtons();
    CreateControls();
    m_nameBox->setFont(LayoutFont(*this, app::UiFont(false)));
    m_reviewView->InvalidateCachedChart();
    // The items' spoken names are in the language too.
    RefreshRecordList();
    // Views draw their texts in their viewports, which a repaint of the view itself leaves be.
    for (QWidget* shown : findChildren<QWidget*>()) {
        shown->update();
    }
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintInLayout(painter, *this);
    PaintPanel(painter);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || childAt(event->position().toPoint()) != nullptr) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) {
        return;
    }
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - pos();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // A centred line edit hides its hint while it has the focus, which the empty name box has at
    // the first start, when the hint is needed most: it is drawn over the box here.
    if (m_nameBox != nullptr && watched == m_nameBox && event->type() == QEvent::Paint &&
        m_nameBox->text().isEmpty() && m_nameBox->hasFocus()) {
        static_cast<QObject*>(m_nameBox)->event(event);
        QPainter painter(m_nameBox);
        painter.setPen(m_nameBox->palette().color(QPalette::PlaceholderText));
        painter.drawText(m_nameBox->rect(), Qt::AlignCenter | Qt::TextSingleLine,
                         m_nameBox->placeholderText());
        return true;
    }
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
