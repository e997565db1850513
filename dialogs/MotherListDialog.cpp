// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/MotherListDialog.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <system_error>

#include "app/Config.h"
#include "app/Fonts.h"
#include "archive/RecordIndex.h"
#include "archive/RecordName.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowTexts.h"

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

}  // namespace

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

    m_motherList = new QListWidget(this);
    m_motherList->setItemDelegate(new MotherRowDelegate(m_motherList));
    m_motherList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_motherList->setUniformItemSizes(true);
    m_motherList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_motherList->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    place(m_motherList, kMotherListId, "MotherList", Box(left, top + 28, right, bottom - 35));

    // Enter takes the selection wherever the focus is; a focused button does not steal it.
    for (QPushButton* button : {m_cancelButton, m_okButton, m_folderButton}) {
        button->setAutoDefault(false);
    }
    m_okButton->setDefault(true);
    // Opened to choose from the list, with Tab going on as the dialog reads: list, then the
    // buttons from left to right.
    setTabOrder(m_motherList, m_folderButton);
    setTabOrder(m_folderButton, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    m_motherList->setFocus();

    connect(m_cancelButton, &QPushButton::clicked, this, &MotherListDialog::reject);
    connect(m_okButton, &QPushButton::clicked, this, &MotherListDialog::accept);
    connect(m_folderButton, &QPushButton::clicked, this, &MotherListDialog::OpenRecordFolder);
    connect(m_motherList, &QListWidget::itemSelectionChanged, this,
            &MotherListDialog::OnSelectionChanged);

    for (const std::string& key : archive::BuildRecordIndex(m_recordFolder)) {
        // Shown with replacement characters where the bytes are no UTF-8, chosen by its bytes.
        auto* item = new QListWidgetItem(QString::fromStdString(key), m_motherList);
        item->setData(kMotherKeyBytesRole, QByteArray::fromStdString(key));
        // Read out by name and due date, not by the key.
        const MotherChoice choice = ChoiceFromMotherKey(key);
        item->setData(
            Qt::AccessibleTextRole,
            archive::EdcDigitsDate(archive::SplitMotherKey(key).edcDigits)
                ? Message("SpokenMother")
                      .arg(QString::fromStdString(choice.name), QString::fromStdString(choice.edc))
                : QString::fromStdString(choice.name));
    }
    m_motherList->setAccessibleName(Message("MotherListTitle"));
}

void MotherListDialog::OnSelectionChanged() {
    // A held Ctrl can take the selection away again; OK needs one.
    m_okButton->setEnabled(!m_motherList->selectedItems().isEmpty());
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
