// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ProfilePanel.h"

#include <QAction>
#include <QDate>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <utility>

#include "archive/RecordName.h"
#include "archive/RecordRedating.h"
#include "controls/WindowTexts.h"
#include "dialogs/MotherListDialog.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/Dating.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/UserPrompts.h"
#include "platform/DayNumbers.h"
#include "platform/SettingsStore.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

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

QPoint MenuPoint(const QWidget& window, const QWidget& button, int below) {
    const QRect rect = button.geometry();
    return window.mapToGlobal(QPoint(rect.left() - 2, rect.top() + rect.height() + below));
}

}  // namespace

ProfilePanel::ProfilePanel(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                           std::filesystem::path recordFolder,
                           const SkinnedButton::StateSource& state)
    : QObject(&window),
      m_window(window),
      m_prompts(prompts),
      m_store(store),
      m_recordFolder(std::move(recordFolder)) {
    PlaceButton(window, m_motherListButton, kMotherListButtonId, state,
                [this] { OpenMotherList(); });
    m_nameBox = new QLineEdit(&window);
    m_nameBox->setFrame(false);
    m_nameBox->setAlignment(Qt::AlignCenter);
    m_nameBox->setMaxLength(static_cast<int>(archive::MaxTextBytes));
    connect(m_nameBox, &QLineEdit::returnPressed, this, &ProfilePanel::nameEntered);
    // A long name cut off by the box is shown whole on hovering; it is read out whole anyway.
    connect(m_nameBox, &QLineEdit::textChanged, m_nameBox, &QLineEdit::setToolTip);
    m_nameBox->installEventFilter(this);
    PlaceControl(*m_nameBox, kNameBoxId);
    PlaceButton(window, m_weekButton, kWeekButtonId, state, [this] { OpenWeekMenu(); });
    PlaceButton(window, m_dayButton, kDayButtonId, state, [this] { OpenDayMenu(); });
    PlaceButton(
        window, m_edcDisplay, kEdcDisplayId, state, [this] { OpenCalendar(); }, Pointer::Arrow);
    PlaceButton(window, m_calendarButton, kCalendarButtonId, state, [this] { OpenCalendar(); });
    m_edcCalendar = new EdcCalendar(&window);
    connect(m_edcCalendar, &EdcCalendar::picked, this, &ProfilePanel::TakePickedEdc);
    PlaceControl(*m_edcCalendar, kEdcCalendarId);
    m_edcCalendar->hide();
}

std::array<QWidget*, 5> ProfilePanel::FocusOrder() const {
    return {m_motherListButton, m_nameBox, m_weekButton, m_dayButton, m_calendarButton};
}

void ProfilePanel::Retranslate() {
    m_edcCalendar->ApplyLanguage();
    for (const CalendarPart& part : kCalendarParts) {
        if (auto* control = m_edcCalendar->findChild<QWidget*>(QLatin1String(part.objectName))) {
            control->setAccessibleName(Message(part.key));
        }
    }
    m_nameBox->setPlaceholderText(Message("HintName"));
    m_edcDisplay->SetPlaceholder(Message("HintEdc"));
}

void ProfilePanel::Load() {
    // Told once, at start, while the user can still write the details down elsewhere.
    if (!m_store.CanWrite()) {
        QTimer::singleShot(0, this, [this] {
            m_prompts.ShowMessage(MessageKind::Warning, Message("ProfileNotSaved"));
        });
    }
    const Profile profile = LoadProfile(m_store);
    if (!profile.name.empty()) {
        // A name in another encoding is shown with replacement characters, used by its bytes.
        ShowChosenName(profile.name);
    }
    if (!profile.edc.empty()) {
        SetEdcText(FromUtf8(profile.edc));
        UpdateAgeFromEdc();
    }
}

void ProfilePanel::Save() const {
    SaveProfile(m_store, Current());
}

void ProfilePanel::ShowChosenName(std::string bytes) {
    m_chosenNameBytes = std::move(bytes);
    m_chosenNameShown = FromUtf8(m_chosenNameBytes);
    m_nameBox->setText(m_chosenNameShown);
    ShowNameStart();
}

void ProfilePanel::ShowNameStart() {
    // A centred box too narrow for the name shows the part around the cursor: the first name.
    if (!m_nameBox->hasFocus()) {
        m_nameBox->setCursorPosition(0);
    }
}

Profile ProfilePanel::Current() const {
    const std::string edc = ControlText(EdcText());
    if (!m_chosenNameBytes.empty() && m_nameBox->text() == m_chosenNameShown) {
        return {std::string(archive::CutUtf8(m_chosenNameBytes, archive::MaxTextBytes)), edc};
    }
    return {ControlText(m_nameBox->text()), edc};
}

bool ProfilePanel::ValidateProfile() {
    if (m_nameBox->text().isEmpty()) {
        m_prompts.ShowMessage(MessageKind::Error, Message("NameError"));
        m_nameBox->setFocus();
        return false;
    }
    if (EdcText().isEmpty()) {
        m_prompts.ShowMessage(MessageKind::Error, Message("EDCError"));
        return false;
    }
    return true;
}

std::optional<Profile> ProfilePanel::RunProfileNow() {
    if (!ValidateProfile()) {
        return std::nullopt;
    }
    Profile profile = Current();
    // A name that cannot be part of a file name could not name the recording at its end.
    if (archive::CheckRecordName(profile.name, profile.edc) != archive::NameProblem::None) {
        m_prompts.ShowMessage(MessageKind::Error, Message("NameInvalid"));
        m_nameBox->setFocus();
        return std::nullopt;
    }
    return profile;
}

QString ProfilePanel::EdcText() const {
    return m_edcDisplay->text();
}
QString ProfilePanel::WeekText() const {
    return m_weekButton->text();
}
QString ProfilePanel::DayText() const {
    return m_dayButton->text();
}

void ProfilePanel::SetEdcText(const QString& edc) {
    m_edcDisplay->setText(edc);
    m_edcDisplay->update();
}

void ProfilePanel::OpenWeekMenu() {
    QMenu menu(&m_window);
    for (const WeekRange range : SpanWeekRanges()) {
        QMenu* sub = menu.addMenu(FromUtf8(WeekRangeLabel(range)));
        for (int week = range.low; week <= range.high; ++week) {
            sub->addAction(QString::number(week))->setData(week + 1);
        }
    }
    ShowNumberMenu(menu, *m_weekButton);
}

void ProfilePanel::OpenDayMenu() {
    QMenu menu(&m_window);
    const int week = WeekText().isEmpty() ? 0 : WeekText().toInt();
    for (int day = 0; day < DaysOffered(week); ++day) {
        menu.addAction(QString::number(day))->setData(day + 1);
    }
    ShowNumberMenu(menu, *m_dayButton);
}

void ProfilePanel::ShowNumberMenu(QMenu& menu, SkinnedButton& button) {
    const QAction* chosen = m_prompts.RunMenu(menu, MenuPoint(m_window, button, 3));
    if (chosen == nullptr || chosen->data().toInt() <= 0) {
        return;
    }
    const QString number = QString::number(chosen->data().toInt() - 1);
    const bool isWeek = &button == m_weekButton;
    const QString week = isWeek ? number : WeekText();
    const QString day = isWeek ? DayText() : number;
    const QString edc =
        FromUtf8(EdcFromAge(week.toStdString(), day.toStdString(), platform::NowDayNumber()));
    if (edc.isEmpty()) {
        // No day yet: the week waits for it.
        button.setText(number);
        button.update();
        return;
    }
    // Refused, the menus keep what they showed.
    TakeEdc(edc);
}

bool ProfilePanel::TakeEdc(const QString& edc) {
    // Checked before it is shown: a refused date never stands in the panel, not even while the
    // message says so.
    const std::optional<EdcSpanCheck> check =
        CheckEdcSpanText(ControlText(edc), platform::NowDayNumber());
    if (!check) {
        m_prompts.ShowMessage(MessageKind::Warning, Message(std::string(EdcUnreadableKey).c_str()));
        return false;
    }
    if (*check != EdcSpanCheck::Accepted) {
        m_prompts.ShowMessage(MessageKind::Warning,
                              Message(std::string(EdcRefusalKey(*check)).c_str()));
        return false;
    }
    const QString previous = EdcText();
    if (!previous.isEmpty() && previous != edc && !OfferRedating(previous, edc)) {
        return false;
    }
    SetEdcText(edc);
    UpdateAgeFromEdc();
    return true;
}

bool ProfilePanel::OfferRedating(const QString& oldEdc, const QString& newEdc) {
    const std::string name = Current().name;
    if (name.empty()) {
        return true;
    }
    const std::string oldText = ControlText(oldEdc);
    const std::string newText = ControlText(newEdc);
    if (m_runOpen && m_runOpen()) {
        // Moved now, her records would part from the running one, stored under the old date.
        m_prompts.ShowMessage(MessageKind::Information, Message("RedateWhileRecording"));
        return true;
    }
    const archive::RedatePlan plan = archive::PlanRedating(m_recordFolder, name, oldText, newText);
    const bool hasRecords = !plan.steps.empty() || plan.problem == archive::RedateProblem::Conflict;
    if (!hasRecords) {
        return true;
    }
    const std::size_t count = plan.problem == archive::RedateProblem::Conflict
                                  ? archive::ListRecordFiles(m_recordFolder, name, oldText).size()
                                  : plan.steps.size();
    const QString offer = Message("RedateOffer").arg(count).arg(oldEdc, newEdc);
    if (!m_prompts.ShowMessageOffering(MessageKind::Information, offer, Message("RedateButton"))) {
        // The new date stands for new records; hers stay under the old one.
        return true;
    }
    // Planned again: the folder may have changed while the box was up.
    const archive::RedateResult result = archive::CarryOutRedating(
        m_recordFolder, archive::PlanRedating(m_recordFolder, name, oldText, newText));
    if (result.problem == archive::RedateProblem::None ||
        result.problem == archive::RedateProblem::SameDate) {
        SetEdcText(newEdc);
        UpdateAgeFromEdc();
        Save();
        emit motherChanged();
        return true;
    }
    m_prompts.ShowMessage(MessageKind::Error, dialogs::RedateResultText(result));
    // The old date stays, so that her records are found and a new try finishes the move.
    if (result.renamed > 0) {
        emit motherChanged();
    }
    return false;
}

void ProfilePanel::UpdateAgeFromEdc() {
    const auto age = AgeFromEdc(ControlText(EdcText()), platform::NowDayNumber());
    m_weekButton->setText(age ? QString::number(age->week) : QString());
    m_dayButton->setText(age ? QString::number(age->day) : QString());
    m_weekButton->update();
    m_dayButton->update();
}

void ProfilePanel::ResetEdcToToday() {
    const platform::CivilDateTime today = platform::NowLocalTime();
    SetEdcText(FromUtf8(FormatEdc(today.year, today.month, today.day)));
    UpdateAgeFromEdc();
}

void ProfilePanel::OpenCalendar() {
    // The calendar opens on the due date it would change, else on today.
    const QDate edc = QDate::fromString(EdcText(), QStringLiteral("yyyy-MM-dd"));
    m_edcCalendar->Open(edc.isValid() ? edc : QDate::currentDate());
}

void ProfilePanel::TakePickedEdc(const QDate& date) {
    m_edcCalendar->hide();
    if (!TakeEdc(FromUtf8(FormatEdc(date.year(), date.month(), date.day()))) &&
        EdcText().isEmpty()) {
        ResetEdcToToday();
    }
}

void ProfilePanel::OpenMotherList() {
    dialogs::MotherListDialog dialog(
        &m_window, m_recordFolder,
        [this](const std::filesystem::path& folder) { emit folderOpenAsked(folder); });
    dialog.SetMessageShower(
        [this](const QString& text) { m_prompts.ShowMessage(MessageKind::Warning, text); });
    bool movedHers = false;
    connect(
        &dialog, &dialogs::MotherListDialog::recordsRedated, this,
        [this, &movedHers](const QByteArray& name, const QString& oldEdc, const QString& newEdc) {
            if (Current().name != name.toStdString() || EdcText() != oldEdc) {
                return;
            }
            // Her records moved: the panel follows, so new ones join them.
            SetEdcText(newEdc);
            UpdateAgeFromEdc();
            Save();
            movedHers = true;
        });
    if (dialog.exec() != dialogs::kMotherListOkId) {
        // Cancel leaves the window as it was: the review and its playback go on, unless her
        // records were just renamed under it.
        if (movedHers) {
            emit motherChanged();
        } else {
            emit motherListDismissed();
        }
        return;
    }
    ShowChosenName(dialog.ChosenName());
    SetEdcText(FromUtf8(dialog.ChosenEdc()));
    UpdateAgeFromEdc();
    emit motherChanged();
}

bool ProfilePanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_nameBox != nullptr && watched == m_nameBox &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        static_cast<QObject*>(m_nameBox)->event(event);
        if (event->type() == QEvent::FocusOut) {
            m_nameBox->setCursorPosition(0);
        } else if (const auto reason = static_cast<QFocusEvent*>(event)->reason();
                   reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
            // Tabbing through must not leave her name selected for the next key to replace.
            m_nameBox->deselect();
            m_nameBox->end(false);
        }
        return true;
    }
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
    return QObject::eventFilter(watched, event);
}

}  // namespace marulo::mainwnd
