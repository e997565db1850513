// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/MotherListDialog.h"

#include <QApplication>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>
#include <system_error>

#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "archive/RecordIndex.h"
#include "archive/RecordName.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowTexts.h"
#include "mainwnd/Dating.h"
#include "platform/DayNumbers.h"

namespace marulo::dialogs {

namespace {

using controls::Box;
using controls::kControlIdProperty;
using controls::Message;

// The template's 175 x 193 dialog units at the "System" 10-point font, whose average character
// is 8 x 16 pixels at 96 dpi: 175 * 8 / 4 = 350 by 193 * 16 / 8 = 386 client pixels.
constexpr int kClientWidth = 350;
constexpr int kClientHeight = 386;
constexpr int kMargin = 10;

const QColor kSelectedFill(119, 190, 249);
const QColor kSelectedFrame(47, 83, 157);
const QColor kFill(255, 255, 255);
const QColor kRowText(14, 66, 114);

void DrawMotherRow(QPainter& painter, const QRect& itemRect, bool selected,
                   const std::string& key) {
    painter.save();
    const QRect r = itemRect.adjusted(1, 1, -1, -1);
    if (selected) {
        painter.fillRect(r, kSelectedFill);
        painter.setPen(kSelectedFrame);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        painter.fillRect(r, kFill);
    }
    const int left = r.left();
    const int top = r.top();
    const int right = left + r.width();
    const int bottom = top + r.height();
    const int height = bottom - top;
    // The icon's box runs to x = row height, the square at the left end of a row starting at 0.
    controls::CachedSkinBitmap(selected ? controls::skin::kSelectedMotherIcon
                                        : controls::skin::kMotherIcon)
        .DrawCentred(painter, Box(left, top, height, bottom));

    painter.setFont(app::UiFont(true));
    painter.setPen(kRowText);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(Box(height + 5, top, right, bottom),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(MotherRowText(key, app::MessageText("EDCTitle"))));
    painter.restore();
}

// Draws the mother list's rows, each a mother key.
class MotherRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!index.isValid()) {
            return;
        }
        DrawMotherRow(*painter, option.rect, option.state.testFlag(QStyle::State_Selected),
                      index.data(kMotherKeyBytesRole).toByteArray().toStdString());
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return {option.rect.width(), kMotherRowHeight};
    }
};

// The date dialog: one date entry bounded by the span, OK and Cancel.
std::optional<QDate> AskDate(QWidget* parent, const QString& mother, const QDate& shown,
                             const QDate& earliest, const QDate& latest) {
    QDialog dialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(Message("MotherListRedate"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(Message("RedateAsk").arg(mother), &dialog);
    auto* entry = new QDateEdit(&dialog);
    entry->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    entry->setCalendarPopup(true);
    entry->setDateRange(earliest, latest);
    entry->setDate(shown);
    label->setBuddy(entry);
    entry->setAccessibleName(label->text());
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(Message("Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Message("Cancel"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(label);
    layout->addWidget(entry);
    layout->addWidget(buttons);
    entry->setFocus();
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return entry->date();
}

}  // namespace

QString RedateResultText(const archive::RedateResult& result) {
    QString text;
    switch (result.problem) {
        case archive::RedateProblem::Conflict:
            text = Message("RedateConflict");
            break;
        case archive::RedateProblem::RenameFailed:
            text = Message("RedateFailed");
            break;
        case archive::RedateProblem::BadDate:
            return Message("AlertEDCUnreadable");
        case archive::RedateProblem::None:
        case archive::RedateProblem::SameDate:
            return {};
    }
    for (const std::string& name : result.names) {
        text += QLatin1Char('\n') + QString::fromUtf8(name.data(), static_cast<int>(name.size()));
    }
    return text;
}

MotherChoice ChoiceFromMotherKey(std::string_view key) {
    archive::MotherKeyParts parts = archive::SplitMotherKey(key);
    return {std::move(parts.name), archive::EdcDateText(parts.edcDigits)};
}

std::string MotherRowText(std::string_view key, std::string_view edcTitle) {
    const MotherChoice choice = ChoiceFromMotherKey(key);
    std::string text = choice.name;
    // A key placed by hand without a real EDC lists the name alone, not a made-up date.
    if (!archive::EdcDigitsDate(archive::SplitMotherKey(key).edcDigits)) {
        return text;
    }
    text += " (";
    text += edcTitle;
    text += ": ";
    text += choice.edc;
    text += ")";
    return text;
}

MotherListDialog::MotherListDialog(QWidget* parent, std::filesystem::path recordFolder,
                                   FolderOpener openFolder)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      m_recordFolder(std::move(recordFolder)),
      m_openFolder(std::move(openFolder)) {
    setFixedSize(kClientWidth, kClientHeight);
    setWindowTitle(Message("MotherListTitle"));

    const QRect client = Box(0, 0, kClientWidth, kClientHeight);
    const int left = client.left() + kMargin;
    const int top = client.top() + kMargin;
    const int right = client.left() + client.width() - kMargin;
    const int bottom = client.top() + client.height() - kMargin;
    const QFont font = app::UiFont(false);
    const auto place = [&font](QWidget* control, int id, const char* name, const QRect& rect) {
        control->setProperty(kControlIdProperty, id);
        control->setObjectName(QString::fromLatin1(name));
        control->setGeometry(rect);
        control->setFont(font);
    };

    m_helpText = new QLabel(Message("MotherListHelp"), this);
    m_helpText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(m_helpText, 0, "HelpText", Box(left, top, right, top + 18));

    m_cancelButton = new QPushButton(Message("Cancel"), this);
    place(m_cancelButton, kMotherListCancelId, "CancelButton",
          Box(right - 70, bottom - 25, right, bottom));

    m_okButton = new QPushButton(Message("Ok"), this);
    m_okButton->setEnabled(false);
    place(m_okButton, kMotherListOkId, "OkButton",
          Box(right - 145, bottom - 25, right - 75, bottom));

    m_folderButton = new QPushButton(Message("FolderOpen"), this);
    place(m_folderButton, kMotherListFolderButtonId, "FolderButton",
          Box(left, bottom - 25, left + 70, bottom));

    m_redateButton = new QPushButton(Message("MotherListRedate"), this);
    m_redateButton->setEnabled(false);
    place(m_redateButton, kMotherListRedateButtonId, "RedateButton",
          Box(left + 75, bottom - 25, right - 150, bottom));

    m_motherList = new QListWidget(this);
    m_motherList->setItemDelegate(new MotherRowDelegate(m_motherList));
    m_motherList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_motherList->setUniformItemSizes(true);
    m_motherList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_motherList->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    place(m_motherList, kMotherListId, "MotherList", Box(left, top + 28, right, bottom - 35));

    // Enter takes the selection wherever the focus is; a focused button does not steal it.
    for (QPushButton* button : {m_cancelButton, m_okButton, m_folderButton, m_redateButton}) {
        button->setAutoDefault(false);
    }
    m_okButton->setDefault(true);
    // Opened to choose from the list, with Tab going on as the dialog reads: list, then the
    // buttons from left to right.
    setTabOrder(m_motherList, m_folderButton);
    setTabOrder(m_folderButton, m_redateButton);
    setTabOrder(m_redateButton, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    m_motherList->setFocus();

    connect(m_cancelButton, &QPushButton::clicked, this, &MotherListDialog::reject);
    connect(m_okButton, &QPushButton::clicked, this, &MotherListDialog::accept);
    connect(m_folderButton, &QPushButton::clicked, this, &MotherListDialog::OpenRecordFolder);
    connect(m_redateButton, &QPushButton::clicked, this, &MotherListDialog::RedateSelected);
    connect(m_motherList, &QListWidget::itemSelectionChanged, this,
            &MotherListDialog::OnSelectionChanged);

    FillList({});
    m_motherList->setAccessibleName(Message("MotherListTitle"));
}

void MotherListDialog::FillList(std::string_view select) {
    m_motherList->clear();
    QListWidgetItem* chosen = nullptr;
    for (const std::string& key : archive::BuildRecordIndex(m_recordFolder)) {
        // Shown with replacement characters where the bytes are no UTF-8, chosen by its bytes.
        auto* item = new QListWidgetItem(QString::fromStdString(key), m_motherList);
        item->setData(kMotherKeyBytesRole, QByteArray::fromStdString(key));
        if (!select.empty() && key == select) {
            chosen = item;
        }
        // Read out by name and due date, not by the key.
        const MotherChoice choice = ChoiceFromMotherKey(key);
        item->setData(
            Qt::AccessibleTextRole,
            archive::EdcDigitsDate(archive::SplitMotherKey(key).edcDigits)
                ? Message("SpokenMother")
                      .arg(QString::fromStdString(choice.name), QString::fromStdString(choice.edc))
                : QString::fromStdString(choice.name));
    }
    if (chosen != nullptr) {
        m_motherList->setCurrentItem(chosen);
    }
}

void MotherListDialog::OnSelectionChanged() {
    // A held Ctrl can take the selection away again; OK needs one.
    const bool chosen = !m_motherList->selectedItems().isEmpty();
    m_okButton->setEnabled(chosen);
    m_redateButton->setEnabled(chosen);
}

void MotherListDialog::RedateSelected() {
    const QList<QListWidgetItem*> selected = m_motherList->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    const std::string key = selected.front()->data(kMotherKeyBytesRole).toByteArray().toStdString();
    const MotherChoice choice = ChoiceFromMotherKey(key);
    const QString oldEdc = QString::fromStdString(choice.edc);
    const QString mother = QString::fromStdString(MotherRowText(key, app::MessageText("EDCTitle")));
    const QDate today = QDate::currentDate();
    const QDate earliest = today.addDays(-(mainwnd::MaxAgeDays - mainwnd::TermDays));
    const QDate latest = today.addDays(mainwnd::TermDays);
    const QDate old = QDate::fromString(oldEdc, QStringLiteral("yyyy-MM-dd"));
    const QDate shown = old.isValid() ? std::clamp(old, earliest, latest) : today;
    const std::optional<QDate> picked = m_askDate ? m_askDate(mother, shown, earliest, latest)
                                                  : AskDate(this, mother, shown, earliest, latest);
    if (!picked) {
        return;
    }
    const QString newEdc = picked->toString(QStringLiteral("yyyy-MM-dd"));
    const auto tell = [this](const QString& text) {
        if (m_showMessage) {
            m_showMessage(text);
        } else {
            QMessageBox::warning(this, Message("Exclamation"), text);
        }
    };
    const std::optional<mainwnd::EdcSpanCheck> check =
        mainwnd::CheckEdcSpanText(newEdc.toStdString(), platform::NowDayNumber());
    if (!check || *check != mainwnd::EdcSpanCheck::Accepted) {
        tell(Message(std::string(check ? mainwnd::EdcRefusalKey(*check) : mainwnd::EdcUnreadableKey)
                         .c_str()));
        return;
    }
    const archive::RedateResult result = archive::CarryOutRedating(
        m_recordFolder,
        archive::PlanRedating(m_recordFolder, choice.name, choice.edc, newEdc.toStdString()));
    if (result.renamed > 0) {
        const bool done = result.problem == archive::RedateProblem::None;
        FillList(done ? choice.name + "_" + archive::RemoveDashes(newEdc.toStdString()) : key);
        if (done) {
            emit recordsRedated(QByteArray::fromStdString(choice.name), oldEdc, newEdc);
        }
    }
    if (const QString text = RedateResultText(result); !text.isEmpty()) {
        tell(text);
    }
}

void MotherListDialog::accept() {
    const QList<QListWidgetItem*> selected = m_motherList->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    MotherChoice choice = ChoiceFromMotherKey(
        selected.front()->data(kMotherKeyBytesRole).toByteArray().toStdString());
    m_chosenName = std::move(choice.name);
    m_chosenEdc = std::move(choice.edc);
    done(kMotherListOkId);
}

void MotherListDialog::reject() {
    done(kMotherListCancelId);
}

void MotherListDialog::OpenRecordFolder() {
    if (m_openFolder) {
        m_openFolder(m_recordFolder);
    }
}

}  // namespace marulo::dialogs
