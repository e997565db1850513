// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "controls/SkinnedButton.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/Profile.h"

class QDate;
class QMenu;

namespace marulo::platform {
class SettingsStore;
}

namespace marulo::mainwnd {

class UserPrompts;

// The mother panel: the name box, the week and day menus, the due date (EDC) with its calendar,
// the mother list. Its controls are children of the window; it keeps the profile between starts.
class ProfilePanel : public QObject {
    Q_OBJECT
public:
    // The mother list shows the records of recordFolder.
    ProfilePanel(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                 std::filesystem::path recordFolder,
                 const controls::SkinnedButton::StateSource& state);

    // Whether a run holds the working files now; its record keeps the due date it started with.
    void SetRunQuery(std::function<bool()> runOpen) { m_runOpen = std::move(runOpen); }
    // The stored profile into the fields; a store that cannot be written is told once.
    void Load();
    void Save() const;
    // Renews the texts of the current language: hints and the calendar's names.
    void Retranslate();
    // The mother list button, the name box, week, day and the calendar button: reading order.
    std::array<QWidget*, 5> FocusOrder() const;

    // The mother's name as bytes: those of the name chosen from the mother list while the name
    // box still shows it (a file name need not be UTF-8), otherwise the box's text; with the EDC.
    Profile Current() const;
    // Says what is missing (name first, then EDC) and focuses the name when that is missing.
    bool ValidateProfile();
    // The profile a new run is named from, or nothing after telling the user why it cannot.
    std::optional<Profile> RunProfileNow();

    QLineEdit& NameBox() const { return *m_nameBox; }
    EdcCalendar& Calendar() const { return *m_edcCalendar; }
    QString EdcText() const;
    QString WeekText() const;
    QString DayText() const;
    void SetEdcText(const QString& edc);

    // Commands.
    void OpenWeekMenu();
    void OpenDayMenu();
    void OpenCalendar();
    void TakePickedEdc(const QDate& date);
    void OpenMotherList();

signals:
    // Return in the name box.
    void nameEntered();
    // Another mother was chosen from the mother list: her records are shown.
    void motherChanged();
    // The mother list closed without a choice; records may have been deleted in it.
    void motherListDismissed();
    // The mother list asks to show a folder.
    void folderOpenAsked(const std::filesystem::path& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows a menu whose items carry their number plus one, below the button; a chosen number
    // becomes the button's text and moves the EDC.
    void ShowNumberMenu(QMenu& menu, controls::SkinnedButton& button);
    void UpdateAgeFromEdc();
    void ResetEdcToToday();
    // Takes a due date from the calendar or the menus when it lies in the span, offering to move
    // the mother's records along; otherwise tells why and leaves the panel as it was.
    bool TakeEdc(const QString& edc);
    // Asks whether her records move to the new due date and moves them; false when the date
    // must not change (a clash, or a move that stopped half-way).
    bool OfferRedating(const QString& oldEdc, const QString& newEdc);
    void ShowChosenName(std::string bytes);
    void ShowNameStart();

    QWidget& m_window;
    UserPrompts& m_prompts;
    platform::SettingsStore& m_store;
    std::filesystem::path m_recordFolder;
    QPointer<controls::SkinnedButton> m_motherListButton;
    QPointer<QLineEdit> m_nameBox;
    QPointer<controls::SkinnedButton> m_weekButton;
    QPointer<controls::SkinnedButton> m_dayButton;
    QPointer<controls::SkinnedButton> m_edcDisplay;
    QPointer<controls::SkinnedButton> m_calendarButton;
    QPointer<EdcCalendar> m_edcCalendar;
    std::string m_chosenNameBytes;
    QString m_chosenNameShown;
    std::function<bool()> m_runOpen;
};

}  // namespace marulo::mainwnd
