// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "archive/RecordRedating.h"

namespace marulo::dialogs {

inline constexpr int kMotherListOkId = 1;
inline constexpr int kMotherListCancelId = 2;
inline constexpr int kMotherListFolderButtonId = 112;
inline constexpr int kMotherListId = 113;
inline constexpr int kMotherListRedateButtonId = 114;
inline constexpr int kMotherRowHeight = 40;
// The list item's data role holding the mother key as its original bytes.
inline constexpr int kMotherKeyBytesRole = Qt::UserRole + 1;

// The mother and EDC a mother key stands for: the name before its last "_" (the whole key when
// there is none) and the EDC digits rebuilt as "<year>-<month>-<day>".
struct MotherChoice {
    std::string name;
    std::string edc;
};
MotherChoice ChoiceFromMotherKey(std::string_view key);

// A row of the list: "<name> (<EDC title>: <EDC>)", or the name alone when the key holds no
// real EDC.
std::string MotherRowText(std::string_view key, std::string_view edcTitle);

// The message for a re-dating that did not finish: the clashing names, or the refused one;
// empty when it did.
QString RedateResultText(const archive::RedateResult& result);

// The modal dialog that lists every mother with records in the record folder and hands the
// chosen one back. exec() gives 1 after OK, with ChosenName() and ChosenEdc() filled, and 2 after
// Cancel, Escape or the close box.
class MotherListDialog : public QDialog {
    Q_OBJECT
public:
    // Opens the record folder for the folder button (and tells the user where it is when it
    // cannot); without one the button does nothing.
    using FolderOpener = std::function<void(const std::filesystem::path& folder)>;
    // Asks for a mother's new due date between the bounds; nothing when cancelled.
    using DateAsker = std::function<std::optional<QDate>(
        const QString& mother, const QDate& shown, const QDate& earliest, const QDate& latest)>;
    using MessageShower = std::function<void(const QString& text)>;

    explicit MotherListDialog(QWidget* parent = nullptr,
                              std::filesystem::path recordFolder = "Data",
                              FolderOpener openFolder = {});

    const std::string& ChosenName() const { return m_chosenName; }
    const std::string& ChosenEdc() const { return m_chosenEdc; }

    QListWidget* MotherList() const { return m_motherList; }
    QPushButton* OkButton() const { return m_okButton; }
    QPushButton* CancelButton() const { return m_cancelButton; }
    QPushButton* FolderButton() const { return m_folderButton; }
    QPushButton* RedateButton() const { return m_redateButton; }

    // Replace the date dialog and the message box, for the window's prompts and for tests.
    void SetDateAsker(DateAsker asker) { m_askDate = std::move(asker); }
    void SetMessageShower(MessageShower shower) { m_showMessage = std::move(shower); }

signals:
    // A mother's records were moved from one due date to another ("yyyy-mm-dd"); `name` holds
    // the name's bytes.
    void recordsRedated(const QByteArray& name, const QString& oldEdc, const QString& newEdc);

public slots:
    void accept() override;
    void reject() override;

private:
    void OpenRecordFolder();
    void OnSelectionChanged();
    // Moves the selected mother's records to a due date asked for within the span.
    void RedateSelected();
    void FillList(std::string_view select);

    std::filesystem::path m_recordFolder;
    FolderOpener m_openFolder;
    QPointer<QLabel> m_helpText;
    QPointer<QPushButton> m_folderButton;
    QPointer<QPushButton> m_okButton;
    QPointer<QPushButton> m_cancelButton;
    QPointer<QPushButton> m_redateButton;
    QPointer<QListWidget> m_motherList;
    DateAsker m_askDate;
    MessageShower m_showMessage;
    std::string m_chosenName;
    std::string m_chosenEdc;
};

}  // namespace marulo::dialogs
