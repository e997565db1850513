// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/MotherListDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/ConfigFiles.h"
#include "app/Fonts.h"
#include "app/WorkFolder.h"
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
               "FolderOpen=Folder\nMotherListHelp=Choose one\nRedateConflict=Taken:\n"
               "AlertEDCLongPast=Too long past\nAlertEDCOver=Too far\n[Font]\nName=DejaVu Sans\n";
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
    const QWidget* order[] = {dialog.FolderButton(), dialog.RedateButton(), dialog.OkButton(),
                              dialog.CancelButton(), dialog.MotherList()};
    for (const QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(MotherListDialogTest, ChangeDueDateMovesTheChosenMothersRecords) {
    const auto day = [](int ahead) { return QDate::currentDate().addDays(ahead); };
    const auto digits = [&day](int ahead) {
        return day(ahead).toString(QStringLiteral("yyyyMMdd")).toStdString();
    };
    const std::string t1 = "_20100209153045123.zip";
    const std::string t2 = "_20100301101010000.zip";
    struct Case {
        const char* what;
        std::optional<int> picked;  // days ahead; none for Cancel
        bool clash;                 // Anna has a record of the same time under the new date
        const char* message;        // null when none
        bool moved;
    };
    const Case cases[] = {
        {"moved", 20, false, nullptr, true},
        {"cancelled", std::nullopt, false, nullptr, false},
        {"clash", 20, true, "Taken:", false},
        {"overdue two weeks", -14, false, nullptr, true},
        {"past the span", -15, false, "Too long past", false},
        {"too far ahead", 281, false, "Too far", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(m_records);
        fs::create_directories(m_records);
        const std::string oldKey = "Anna_" + digits(10);
        const std::string newKey = "Anna_" + digits(c.picked.value_or(0));
        for (const std::string& file : {oldKey + t1, oldKey + t2, "Bella_" + digits(10) + t1}) {
            std::ofstream(m_records / file) << "zip";
        }
        if (c.clash) {
            std::ofstream(m_records / (newKey + t2)) << "zip";
        }
        MotherListDialog dialog(nullptr, m_records);
        QSignalSpy redated(&dialog, &MotherListDialog::recordsRedated);
        std::vector<QString> messages;
        dialog.SetMessageShower([&messages](const QString& text) { messages.push_back(text); });
        QDate shown;
        QDate earliest;
        QDate latest;
        dialog.SetDateAsker([&](const QString&, const QDate& at, const QDate& low,
                                const QDate& high) -> std::optional<QDate> {
            shown = at;
            earliest = low;
            latest = high;
            return c.picked ? std::optional(day(*c.picked)) : std::nullopt;
        });
        dialog.show();
        EXPECT_FALSE(dialog.RedateButton()->isEnabled()) << "nothing chosen yet";
        dialog.MotherList()->setCurrentRow(0);
        ASSERT_TRUE(dialog.RedateButton()->isEnabled());
        QTest::mouseClick(dialog.RedateButton(), Qt::LeftButton);
        EXPECT_EQ(shown, day(10));
        EXPECT_EQ(earliest, day(-14));
        EXPECT_EQ(latest, day(280));
        EXPECT_EQ(fs::exists(m_records / (newKey + t1)), c.moved);
        EXPECT_EQ(fs::exists(m_records / (oldKey + t1)), !c.moved);
        EXPECT_EQ(fs::exists(m_records / (oldKey + t2)), !c.moved);
        EXPECT_TRUE(fs::exists(m_records / ("Bella_" + digits(10) + t1)));
        ASSERT_EQ(redated.size(), c.moved ? 1 : 0);
        if (c.moved) {
            EXPECT_EQ(redated[0][0].toByteArray(), "Anna");
            EXPECT_EQ(redated[0][2].toString(), day(*c.picked).toString(Qt::ISODate));
            // The list shows her under the new date, still chosen.
            ASSERT_EQ(dialog.MotherList()->selectedItems().size(), 1);
            EXPECT_EQ(dialog.MotherList()->selectedItems()[0]->data(kMotherKeyBytesRole),
                      QByteArray::fromStdString(newKey));
        }
        if (c.message == nullptr) {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_TRUE(messages[0].startsWith(c.message)) << messages[0].toStdString();
            if (c.clash) {
                EXPECT_EQ(messages[0], "Taken:\n" + QString::fromStdString(newKey + t2));
            }
        }
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
