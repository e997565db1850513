// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/MotherListDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/Config.h"
#include "app/Fonts.h"
#include "controls/SkinBitmap.h"
#include "tests/support/TempFolder.h"

namespace marulo::dialogs {
namespace {

namespace fs = std::filesystem;

class MotherListDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_records);
        std::ofstream(m_folder / "Conf.ini")
            << "[Message]\nEDCTitle=EDC\nMotherListTitle=Mothers\nOk=OK\nCancel=Cancel\n"
               "FolderOpen=Folder\nMotherListHelp=Choose one\n[Font]\nName=DejaVu Sans\n";
        app::SetConfigFolderForTesting(app::FolderLocation{"", m_folder.Path().string() + "/"});
        app::ResetUiFonts();
    }
    void TearDown() override {
        app::ResetUiFonts();
        app::SetConfigFolderForTesting(std::nullopt);
    }

    void AddRecords(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            std::ofstream(m_records / name) << "zip";
        }
    }

    testing::TempFolder m_folder{"mothers"};
    fs::path m_records = m_folder / "Data";
};

TEST_F(MotherListDialogTest, RowsAndChoicesFollowTheMotherKeys) {
    AddRecords({"Anna_20100512_20100209153045123.zip", "Anna_20100512_20100301101010000.zip",
                "Mary_Ann_20100601_20100209153045123.zip", "old.zip", "foo_bar.zip",
                "Zoe_2027x0x1_20100209153045123.zip", "Zoe_20270231_20100209153045123.zip"});
    struct Row {
        const char* text;
        const char* name;
        const char* edc;
    };
    const Row rows[] = {
        {"", "", "--"},
        {"Anna (EDC: 2010-05-12)", "Anna", "2010-05-12"},
        {"Mary_Ann (EDC: 2010-06-01)", "Mary_Ann", "2010-06-01"},
        {"Zoe", "Zoe", "2027-02-31"},
        {"Zoe", "Zoe", "2027-x0-x1"},
        {"foo", "foo", "--"},
    };
    constexpr int kRows = static_cast<int>(std::size(rows));
    {
        MotherListDialog dialog(nullptr, m_records);
        EXPECT_EQ(dialog.windowTitle(), "Mothers");
        ASSERT_EQ(dialog.MotherList()->count(), kRows);
        for (int i = 0; i < kRows; ++i) {
            EXPECT_EQ(MotherRowText(dialog.MotherList()->item(i)->text().toStdString(), "EDC"),
                      rows[i].text);
        }
    }
    for (int i = 0; i < kRows; ++i) {
        SCOPED_TRACE(i);
        MotherListDialog dialog(nullptr, m_records);
        dialog.show();
        EXPECT_FALSE(dialog.OkButton()->isEnabled());
        dialog.MotherList()->setCurrentRow(i);
        ASSERT_TRUE(dialog.OkButton()->isEnabled());
        dialog.OkButton()->click();
        EXPECT_EQ(dialog.result(), 1);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.ChosenName(), rows[i].name);
        EXPECT_EQ(dialog.ChosenEdc(), rows[i].edc);
    }
}

// A key that is no UTF-8 is drawn with replacement characters but handed back as its bytes.
TEST_F(MotherListDialogTest, ChoiceKeepsTheOriginalBytesOfTheName) {
    AddRecords({"\xC9lise_20100512_20100209153045123.zip"});
    MotherListDialog dialog(nullptr, m_records);
    dialog.show();
    ASSERT_EQ(dialog.MotherList()->count(), 1);
    EXPECT_EQ(dialog.MotherList()->item(0)->text(), QString::fromUtf8("\xEF\xBF\xBDlise_20100512"));
    dialog.MotherList()->setCurrentRow(0);
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.ChosenName(), "\xC9lise");
    EXPECT_EQ(dialog.ChosenEdc(), "2010-05-12");
}

TEST_F(MotherListDialogTest, CancelEscapeAndCloseBoxChooseNothing) {
    AddRecords({"Anna_20100512_20100209153045123.zip"});
    enum class Way { Cancel, Escape, CloseBox };
    for (const Way way : {Way::Cancel, Way::Escape, Way::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        MotherListDialog dialog(nullptr, m_records);
        dialog.show();
        dialog.MotherList()->setCurrentRow(0);
        switch (way) {
            case Way::Cancel:
                dialog.CancelButton()->click();
                break;
            case Way::Escape:
                dialog.reject();
                break;
            case Way::CloseBox:
                dialog.close();
                break;
        }
        EXPECT_EQ(dialog.result(), 2);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.ChosenName(), "");
        EXPECT_EQ(dialog.ChosenEdc(), "");
    }
}

TEST_F(MotherListDialogTest, EnterTakesTheSelectionAndEscapeCancels) {
    AddRecords({"Anna_20100512_20100209153045123.zip", "Bella_20100101_20100209153045123.zip"});
    struct Case {
        Qt::Key key;
        int result;
        const char* name;
    };
    for (const Case& c : {Case{Qt::Key_Return, 1, "Bella"}, Case{Qt::Key_Enter, 1, "Bella"},
                          Case{Qt::Key_Escape, 2, ""}}) {
        SCOPED_TRACE(c.key);
        MotherListDialog dialog(nullptr, m_records);
        dialog.show();
        // A press on the second row, as with the mouse: the list holds the focus.
        QListWidget* list = dialog.MotherList();
        list->setFocus();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        ASSERT_EQ(list->currentRow(), 1);
        QTest::keyClick(list, c.key);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), c.result);
        EXPECT_EQ(dialog.ChosenName(), c.name);
    }
    // Without a selection Enter does nothing.
    MotherListDialog dialog(nullptr, m_records);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(MotherListDialogTest, OpensOnTheListAndTabsInReadingOrder) {
    AddRecords({"Anna_20100512_20100209153045123.zip"});
    MotherListDialog dialog(nullptr, m_records);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.MotherList());
    dialog.MotherList()->setCurrentRow(0);
    const QWidget* order[] = {dialog.FolderButton(), dialog.OkButton(), dialog.CancelButton(),
                              dialog.MotherList()};
    for (const QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(MotherListDialogTest, OkNeedsASelection) {
    AddRecords({"Anna_20100512_20100209153045123.zip"});
    MotherListDialog dialog(nullptr, m_records);
    dialog.show();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible()) << "nothing to hand back yet";
    dialog.MotherList()->setCurrentRow(0);
    dialog.MotherList()->clearSelection();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.ChosenName(), "");
}

TEST_F(MotherListDialogTest, FolderButtonOpensTheRecordFolderAndLeavesTheDialogOpen) {
    AddRecords({"Anna_20100512_20100209153045123.zip", "Bella_20100101_20100209153045123.zip"});
    std::vector<fs::path> opened;
    MotherListDialog dialog(nullptr, m_records,
                            [&opened](const fs::path& folder) { opened.push_back(folder); });
    dialog.show();
    dialog.MotherList()->setCurrentRow(1);
    dialog.FolderButton()->click();
    ASSERT_EQ(opened.size(), 1U);
    EXPECT_EQ(opened[0], m_records);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.MotherList()->currentRow(), 1);
    EXPECT_TRUE(dialog.MotherList()->item(1)->isSelected());
}

QImage Bitmap(int number) {
    controls::SkinBitmap resourcesReady;
    resourcesReady.Load(number);
    return QImage(QStringLiteral(":/skin/%1.bmp").arg(number))
        .convertToFormat(QImage::Format_RGB32);
}

TEST_F(MotherListDialogTest, SelectedRowIsBlueAndFramedOthersWhite) {
    AddRecords({"Anna_20100512_20100209153045123.zip", "Bella_20100101_20100209153045123.zip"});
    MotherListDialog dialog(nullptr, m_records);
    dialog.show();
    dialog.MotherList()->setCurrentRow(1);
    QListWidget& list = *dialog.MotherList();
    const QImage shot = list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect first = list.visualItemRect(list.item(0));
    const QRect second = list.visualItemRect(list.item(1));
    ASSERT_EQ(first.height(), 40);
    ASSERT_EQ(second.top(), 40);

    // Inside the 1-pixel margin: the frame, then the fill; the icon in the left square.
    const int right = second.left() + second.width() - 2;
    EXPECT_EQ(QColor(shot.pixel(right, second.top() + 20)), QColor(47, 83, 157));
    EXPECT_EQ(QColor(shot.pixel(50, second.top() + 1)), QColor(47, 83, 157));
    EXPECT_EQ(QColor(shot.pixel(right - 1, second.top() + 20)), QColor(119, 190, 249));
    EXPECT_EQ(QColor(shot.pixel(right - 1, first.top() + 20)), QColor(255, 255, 255));

    const QImage selectedIcon = Bitmap(160);
    const QImage icon = Bitmap(161);
    ASSERT_EQ(icon.size(), QSize(27, 33));
    // Box (1, top + 1) to (38, bottom - 1): the icon at x 6, y top + 4.
    EXPECT_EQ(shot.copy(6, first.top() + 4, 27, 33), icon);
    EXPECT_EQ(shot.copy(6, second.top() + 4, 27, 33), selectedIcon);
}

}  // namespace
}  // namespace marulo::dialogs
