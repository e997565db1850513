// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ProfilePanel.h"

#include <QAccessible>
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <string>
#include <vector>

#include "archive/RecordName.h"
#include "controls/SkinnedButton.h"
#include "dialogs/MotherListDialog.h"
#include "mainwnd/EdcCalendar.h"
#include "platform/Zip.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "views/ReviewView.h"

namespace marulo::testing {
namespace {

using namespace controls;
using mainwnd::MessageKind;

// The mother panel driven through the window, as the user reaches it.
class ProfilePanelTest : public MainWindowTestBase {
protected:
    static QString Today(int daysAhead = 0) {
        return QDate::currentDate().addDays(daysAhead).toString(QStringLiteral("yyyy-MM-dd"));
    }
};

TEST_F(ProfilePanelTest, MonitoringNeedsAUsableNameAndAnEdc) {
    OpenWindow();
    struct Case {
        QString name;
        QString edc;
        const char* message;
        bool nameFocused;
    };
    const Case cases[] = {
        {"", "2010-05-12", "NameError", true},
        {"Anna", "", "EDCError", false},
        {"", "", "NameError", true},
        {"a/b", "2010-05-12", "NameInvalid", true},
        {"..", "2010-05-12", "NameInvalid", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        m_messages.clear();
        m_window->setFocus();
        FillProfile(c.name, c.edc);
        Click(kMonitorButtonId);
        EXPECT_FALSE(m_controller->IsCapturing());
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].first, MessageKind::Error);
        EXPECT_EQ(m_messages[0].second, Text(c.message));
        EXPECT_EQ(m_window->focusWidget() == NameBoxOf(*m_window), c.nameFocused);
    }
    EXPECT_FALSE(m_controller->AnyThreadRunning());
}

TEST_F(ProfilePanelTest, ProfileFillsTheFieldsAtCreation) {
    m_store->Write("Name", "Anna");
    m_store->Write("EDC", Today(10).toStdString());
    OpenWindow();
    EXPECT_EQ(NameBoxOf(*m_window)->text(), "Anna");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(10));
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "38");
    EXPECT_EQ(ProfileOf(*m_window).DayText(), "4");
}

TEST_F(ProfilePanelTest, CalendarClosesOnAnOutsidePressWithoutThePressActing) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    m_window->show();
    mainwnd::EdcCalendar* calendar = CalendarOf(*m_window);
    Click(kCalendarButtonId);
    ASSERT_TRUE(calendar->isVisible());

    // A press inside works as a calendar press: the month changes and it stays open.
    auto* next = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"));
    ASSERT_NE(next, nullptr);
    const int month = calendar->monthShown();
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_NE(calendar->monthShown(), month);
    EXPECT_TRUE(calendar->isVisible());

    // A press on the monitor button only closes the calendar.
    Click(kMonitorButtonId);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_FALSE(m_controller->IsCapturing());
    EXPECT_TRUE(m_messages.empty());
    // The next press acts.
    Click(kMonitorButtonId);
    EXPECT_TRUE(m_controller->IsCapturing());
    Click(kMonitorButtonId);
    StopAndWait();
}

TEST_F(ProfilePanelTest, PickedEdcSetsTheAgeOrIsRefusedKeepingTheDueDateBefore) {
    OpenWindow();
    m_window->show();
    struct Case {
        std::optional<int> before;  // the EDC before the pick, days ahead; none for no EDC
        int daysAhead;
        const char* warning;  // null when the pick stands
        int shownDaysAhead;
        QString week;
        QString day;
    };
    const Case cases[] = {
        {std::nullopt, 0, nullptr, 0, "40", "0"},
        {std::nullopt, 280, nullptr, 280, "0", "0"},
        {20, 10, nullptr, 10, "38", "4"},
        // Overdue up to two weeks.
        {10, -1, nullptr, -1, "40", "1"},
        {10, -14, nullptr, -14, "42", "0"},
        // A mis-click keeps the due date every later record is filed under.
        {10, 281, "AlertEDCOver", 10, "38", "4"},
        {10, -15, "AlertEDCLongPast", 10, "38", "4"},
        {10, -28, "AlertEDCLongPast", 10, "38", "4"},
        // With none before, today's.
        {std::nullopt, 281, "AlertEDCOver", 0, "40", "0"},
        {std::nullopt, -15, "AlertEDCLongPast", 0, "40", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.daysAhead);
        const QString before = c.before ? Today(*c.before) : QString();
        ProfileOf(*m_window).SetEdcText(before);
        if (c.before) {
            ProfileOf(*m_window).TakePickedEdc(QDate::currentDate().addDays(*c.before));
        }
        m_messages.clear();
        bool calendarShownAtWarning = true;
        QString edcAtWarning;
        m_window->Prompts().SetMessageHook([&](MessageKind kind, const QString& text) {
            calendarShownAtWarning = CalendarOf(*m_window)->isVisible();
            edcAtWarning = ProfileOf(*m_window).EdcText();
            m_messages.emplace_back(kind, text);
        });
        ProfileOf(*m_window).OpenCalendar();
        emit CalendarOf(*m_window)->clicked(QDate::currentDate().addDays(c.daysAhead));
        EXPECT_FALSE(CalendarOf(*m_window)->isVisible());
        if (c.warning == nullptr) {
            EXPECT_TRUE(m_messages.empty());
        } else {
            ASSERT_EQ(m_messages.size(), 1u);
            EXPECT_EQ(m_messages[0].first, MessageKind::Warning);
            EXPECT_EQ(m_messages[0].second, Text(c.warning));
            EXPECT_FALSE(calendarShownAtWarning);
            EXPECT_EQ(edcAtWarning, before) << "the refused date is never shown";
        }
        EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(c.shownDaysAhead));
        EXPECT_EQ(ProfileOf(*m_window).WeekText(), c.week);
        EXPECT_EQ(ProfileOf(*m_window).DayText(), c.day);
    }
}

TEST_F(ProfilePanelTest, TheCalendarOpensOnTheDueDateAndEnterTakesTheHighlightedDay) {
    OpenWindow();
    m_window->show();
    const QDate edc = QDate::currentDate().addDays(100);
    for (const char* language : {"English.ini", "German.ini", "Chinese.ini"}) {
        SCOPED_TRACE(language);
        std::filesystem::copy_file(
            std::filesystem::path(MARULO_SOURCE_DIR) / "res" / "lang" / language,
            m_folder / "Conf.ini", std::filesystem::copy_options::overwrite_existing);
        m_window->Retranslate();
        ProfileOf(*m_window).SetEdcText(edc.toString(QStringLiteral("yyyy-MM-dd")));
        Click(kEdcDisplayId);
        mainwnd::EdcCalendar* calendar = CalendarOf(*m_window);
        ASSERT_TRUE(calendar->isVisible());
        EXPECT_EQ(calendar->selectedDate(), edc);
        EXPECT_EQ(calendar->monthShown(), edc.month());
        auto* days = calendar->findChild<QTableView*>();
        ASSERT_NE(days, nullptr);
        EXPECT_EQ(days->currentIndex().data().toString(), QString::number(edc.day()));
        QTest::keyClick(days, Qt::Key_Right);
        QTest::keyClick(days, Qt::Key_Return);
        EXPECT_FALSE(calendar->isVisible());
        EXPECT_TRUE(m_messages.empty());
        EXPECT_EQ(ProfileOf(*m_window).EdcText(),
                  edc.addDays(1).toString(QStringLiteral("yyyy-MM-dd")));
    }
}

TEST_F(ProfilePanelTest, WeekAndDayMenusSetTheEdc) {
    OpenWindow();
    m_window->show();
    QStringList labels;
    QPoint openedAt;
    int wanted = 0;
    m_window->Prompts().SetMenuHook([&](QMenu& menu, const QPoint& at) -> QAction* {
        openedAt = at;
        labels.clear();
        QList<QAction*> actions = menu.actions();
        for (QAction* action : menu.actions()) {
            labels << action->text();
            if (action->menu() != nullptr) {
                actions += action->menu()->actions();
            }
        }
        for (QAction* action : actions) {
            if (action->menu() == nullptr && action->data().toInt() == wanted + 1) {
                return action;
            }
        }
        return nullptr;
    });
    wanted = 40;
    Click(kWeekButtonId);
    EXPECT_EQ(labels, QStringList({"0 ~ 9", "10 ~ 19", "20 ~ 29", "30 ~ 39", "40 ~ 42"}));
    EXPECT_EQ(openedAt, m_window->mapToGlobal(QPoint(218, 135)));
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "40");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), "") << "no day yet";
    wanted = 0;
    Click(kDayButtonId);
    EXPECT_EQ(labels, QStringList({"0", "1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(openedAt, m_window->mapToGlobal(QPoint(301, 134)));
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today());
    Click(kWeekButtonId);
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(280));
    wanted = 42;
    Click(kWeekButtonId);
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "42");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(-14));
    wanted = 0;
    Click(kDayButtonId);
    EXPECT_EQ(labels, QStringList({"0"})) << "two weeks past is the last day";
    // Nothing chosen: nothing changes.
    wanted = 99;
    Click(kWeekButtonId);
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "42");
    EXPECT_TRUE(m_messages.empty());

    // Week 42 with a day after it lies outside: refused, nothing shown changes.
    wanted = 41;
    Click(kWeekButtonId);
    wanted = 3;
    Click(kDayButtonId);
    ASSERT_EQ(ProfileOf(*m_window).EdcText(), Today(-10));
    wanted = 42;
    Click(kWeekButtonId);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("AlertEDCLongPast"));
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "41");
    EXPECT_EQ(ProfileOf(*m_window).DayText(), "3");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(-10));
}

TEST_F(ProfilePanelTest, MotherWithANameInAnotherEncodingKeepsHerRecords) {
    const std::string latin1Name = "\xC9lise";  // "Elise" with an acute E in Latin-1
    const std::string record = latin1Name + "_20100512_20100101000000000.zip";
    {
        platform::ZipWriter zip;
        std::ofstream(m_folder / "trace.hr", std::ios::binary) << std::string("\x8c\0\0\0", 4);
        ASSERT_TRUE(zip.Create(m_folder / "Data" / record));
        ASSERT_TRUE(zip.AddFile("Data.hr", m_folder / "trace.hr"));
        ASSERT_TRUE(zip.Close());
    }
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->MotherList()->setCurrentRow(0);
        dialog->accept();
    });
    Click(kMotherListButtonId);
    EXPECT_EQ(NameBoxOf(*m_window)->text(), QString::fromUtf8("\xEF\xBF\xBDlise"));
    EXPECT_EQ(ProfileOf(*m_window).Current().name, latin1Name);
    ASSERT_EQ(RecordListOf(*m_window)->count(), 1);
    RecordListOf(*m_window)->setCurrentRow(0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !ReviewViewOf(*m_window)->IsLoading(); }, 10000));
    EXPECT_EQ(ReviewViewOf(*m_window)->Trace(), std::vector<std::int32_t>{140});

    CloseWindow();
    m_store = std::make_unique<platform::SettingsStore>(m_folder / "profile.ini");
    EXPECT_EQ(m_store->Read("Name"), latin1Name);
    EXPECT_EQ(m_store->Read("EDC"), "2010-05-12");
    OpenWindow();
    EXPECT_EQ(ProfileOf(*m_window).Current().name, latin1Name);
    EXPECT_EQ(RecordListOf(*m_window)->count(), 1);
}

TEST_F(ProfilePanelTest, CancelInTheMotherListKeepsTheReviewAndAChoiceEndsIt) {
    WriteRecord(m_folder / "Data" / "Anna_20100512_20100101000000000.zip", {140}, 1.0);
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    const struct {
        bool choose;
        bool reviewGoesOn;
    } answers[] = {{false, true}, {true, false}};
    for (const auto& answer : answers) {
        SCOPED_TRACE(answer.choose);
        RecordListOf(*m_window)->setCurrentRow(0);
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return !ReviewViewOf(*m_window)->IsLoading(); }, 10000));
        ASSERT_EQ(ReviewViewOf(*m_window)->Trace(), std::vector<std::int32_t>{140});
        QTimer::singleShot(0, [choose = answer.choose] {
            auto* dialog =
                qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (choose) {
                dialog->MotherList()->setCurrentRow(0);
                dialog->accept();
            } else {
                dialog->reject();
            }
        });
        Click(kMotherListButtonId);
        EXPECT_EQ(RecordListOf(*m_window)->count(), 1);
        EXPECT_EQ(RecordListOf(*m_window)->selectedItems().size(), answer.reviewGoesOn ? 1 : 0);
        EXPECT_EQ(ReviewViewOf(*m_window)->Trace().empty(), !answer.reviewGoesOn);
        EXPECT_EQ(Control(kPlayButtonId)->isVisibleTo(m_window.get()), answer.reviewGoesOn);
    }
}

TEST_F(ProfilePanelTest, MotherListSetsTheMotherOrLeavesHerAndRefreshesTheRecords) {
    std::ofstream(m_folder / "Data" / "Anna_20100512_20100101000000000.zip") << "x";
    std::ofstream(m_folder / "Data" / "Bella_20100601_20100101000000000.zip") << "x";
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    // Answers the dialog once it runs: chooses Bella, or cancels.
    const auto answer = [](bool chooseBella) {
        QTimer::singleShot(0, [chooseBella] {
            auto* dialog =
                qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (!chooseBella) {
                dialog->reject();
                return;
            }
            QListWidget* mothers = dialog->MotherList();
            for (int row = 0; row < mothers->count(); ++row) {
                if (mothers->item(row)->text().startsWith("Bella")) {
                    mothers->setCurrentRow(row);
                }
            }
            dialog->accept();
        });
    };
    std::ofstream(m_folder / "Data" / "Anna_20100512_20100102000000000.zip") << "x";
    answer(false);
    Click(kMotherListButtonId);
    EXPECT_EQ(NameBoxOf(*m_window)->text(), "Anna");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), "2010-05-12");
    EXPECT_EQ(RecordListOf(*m_window)->count(), 2);

    answer(true);
    Click(kMotherListButtonId);
    EXPECT_EQ(NameBoxOf(*m_window)->text(), "Bella");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), "2010-06-01");
    EXPECT_FALSE(ProfileOf(*m_window).WeekText().isEmpty());
    ASSERT_EQ(RecordListOf(*m_window)->count(), 1);
    EXPECT_EQ(RecordListOf(*m_window)->item(0)->text(), "Bella_20100601_20100101000000000.zip");
}

TEST_F(ProfilePanelTest, ANewDueDateOffersToMoveHerRecordsAlong) {
    const auto digits = [](int daysAhead) { return Today(daysAhead).remove('-').toStdString(); };
    const std::string times[] = {"20100101000000000", "20100102000000000"};
    struct Case {
        const char* what;
        bool move;             // the offer's button is pressed
        bool clashAtNewDate;   // a record of hers lies under the new date already
        int edcAfter;          // days ahead
        int recordsAtOldDate;  // after the answer
        const char* error;     // null when none
    };
    const Case cases[] = {
        {"moved", true, false, 20, 0, nullptr},
        {"kept where they are", false, false, 20, 2, nullptr},
        {"clash refuses it all", true, true, 10, 2, "RedateConflict"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(m_folder / "Data");
        std::filesystem::create_directories(m_folder / "Data");
        for (const std::string& time : times) {
            std::ofstream(m_folder / "Data" / ("Anna_" + digits(10) + "_" + time + ".zip")) << "x";
        }
        std::ofstream(m_folder / "Data" / ("Bella_" + digits(10) + "_" + times[0] + ".zip")) << "x";
        const std::string clash = "Anna_" + digits(20) + "_" + times[1] + ".zip";
        if (c.clashAtNewDate) {
            std::ofstream(m_folder / "Data" / clash) << "x";
        }
        if (!m_window) {
            OpenWindow();
            m_window->show();
        }
        FillProfile("Anna", Today(10));
        RecordsOf(*m_window).RefreshRecordList();
        ASSERT_EQ(RecordListOf(*m_window)->count(), 2);

        // The real box, answered as a user would.
        m_window->Prompts().SetMessageHook({});
        QString offered;
        QTimer::singleShot(0, [&offered, move = c.move] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            offered = box->text();
            for (QAbstractButton* button : box->buttons()) {
                if ((button->text() == Text("RedateButton")) == move) {
                    QTimer::singleShot(0, [button] { button->click(); });
                    return;
                }
            }
        });
        QString error;
        if (c.error != nullptr) {
            // The second box, the refusal, is read and closed.
            QTimer::singleShot(200, [&error] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                error = box->text();
                box->accept();
            });
        }
        ProfileOf(*m_window).TakePickedEdc(QDate::currentDate().addDays(20));
        EXPECT_EQ(offered, Text("RedateOffer").arg(2).arg(Today(10), Today(20)));
        if (c.error != nullptr) {
            EXPECT_EQ(error, Text(c.error) + "\n" + QString::fromStdString(clash));
        }
        EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(c.edcAfter));
        EXPECT_EQ(
            archive::ListRecordFiles(m_folder / "Data", "Anna", Today(10).toStdString()).size(),
            static_cast<std::size_t>(c.recordsAtOldDate));
        EXPECT_EQ(
            archive::ListRecordFiles(m_folder / "Data", "Bella", Today(10).toStdString()).size(),
            1u)
            << "another mother's records stay";
        if (c.move && c.error == nullptr) {
            EXPECT_EQ(m_store->Read("EDC"), Today(20).toStdString());
            EXPECT_EQ(RecordListOf(*m_window)->count(), 2) << "her list shows them again";
        }
        m_window->Prompts().SetMessageHook(
            [this](MessageKind kind, const QString& text) { m_messages.emplace_back(kind, text); });
    }
}

// A record being made keeps the due date it started with: moving hers now would part them.
TEST_F(ProfilePanelTest, WhileARunHoldsTheFilesHerRecordsStayWithTheRunningOne) {
    const std::string oldDigits = Today(10).remove('-').toStdString();
    std::ofstream(m_folder / "Data" / ("Anna_" + oldDigits + "_20100101000000000.zip")) << "x";
    OpenWindow();
    FillProfile("Anna", Today(10));
    ProfileOf(*m_window).SetRunQuery([] { return true; });
    ProfileOf(*m_window).TakePickedEdc(QDate::currentDate().addDays(20));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("RedateWhileRecording"));
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(20)) << "the new date is for new records";
    EXPECT_EQ(archive::ListRecordFiles(m_folder / "Data", "Anna", Today(10).toStdString()).size(),
              1u);
}

TEST_F(ProfilePanelTest, TheNameBoxShowsTheFirstNameAndTabKeepsItWhole) {
    const QString name = QString::fromUtf8(
        "Jana Sch\xC3\xA4"
        "fer-Wei\xC3\x9F"
        "enb\xC3\xB6"
        "ck");
    m_store->Write("Name", name.toStdString());
    m_store->Write("EDC", Today(10).toStdString());
    OpenWindow();
    m_window->show();
    m_window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
    QLineEdit* box = NameBoxOf(*m_window);
    // Shown from the start, read out and hovered whole.
    EXPECT_EQ(box->cursorPosition(), 0);
    EXPECT_EQ(box->toolTip(), name);
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(box);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Value), name);
    EXPECT_EQ(spoken->text(QAccessible::Name), Text("TipName"));

    // Tab into it: the cursor at the end, nothing selected, so a key adds to her name.
    Control(kMotherListButtonId)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), box);
    EXPECT_FALSE(box->hasSelectedText());
    EXPECT_EQ(box->cursorPosition(), name.size());
    QTest::keyClick(box, Qt::Key_A);
    EXPECT_EQ(box->text(), name + "a");
    QTest::keyClick(box, Qt::Key_Backspace);
    // Leaving it shows the start again.
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), box);
    EXPECT_EQ(box->cursorPosition(), 0);
    EXPECT_EQ(box->text(), name);
}

TEST_F(ProfilePanelTest, TheClosedCalendarShowsNothingToAScreenReader) {
    OpenWindow();
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    // Every part of the calendar with something to read, down to its day cells, that claims to
    // be on screen.
    const auto showing = [this] {
        QStringList found;
        std::vector<QAccessibleInterface*> open = {
            QAccessible::queryAccessibleInterface(CalendarOf(*m_window))};
        while (!open.empty()) {
            QAccessibleInterface* part = open.back();
            open.pop_back();
            if (part == nullptr) {
                continue;
            }
            // The table's corner, nameless, keeps Qt's own state.
            if (!part->state().invisible && !part->text(QAccessible::Name).isEmpty()) {
                found << part->text(QAccessible::Name);
            }
            for (int i = 0; i < part->childCount(); ++i) {
                open.push_back(part->child(i));
            }
        }
        return found;
    };
    EXPECT_EQ(showing(), QStringList());
    ProfileOf(*m_window).OpenCalendar();
    EXPECT_GT(showing().size(), 28) << "open, its days are there";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    ASSERT_FALSE(CalendarOf(*m_window)->isVisible());
    EXPECT_EQ(showing(), QStringList());
}

TEST_F(ProfilePanelTest, ADueDateChangedInTheMotherListIsFollowedForHerOnly) {
    const auto digits = [](int daysAhead) { return Today(daysAhead).remove('-').toStdString(); };
    OpenWindow();
    struct Case {
        const char* mother;  // the one re-dated in the list
        int panelEdc;        // days ahead, after the list closed with Cancel
    };
    const Case cases[] = {{"Bella", 10}, {"Anna", 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mother);
        std::filesystem::remove_all(m_folder / "Data");
        std::filesystem::create_directories(m_folder / "Data");
        for (const char* name : {"Anna", "Bella"}) {
            std::ofstream(m_folder / "Data" /
                          (std::string(name) + "_" + digits(10) + "_20100101000000000.zip"))
                << "x";
        }
        FillProfile("Anna", Today(10));
        RecordsOf(*m_window).RefreshRecordList();
        QTimer::singleShot(0, [&c] {
            auto* dialog =
                qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->SetDateAsker([](const QString&, const QDate&, const QDate&, const QDate&) {
                return std::optional(QDate::currentDate().addDays(20));
            });
            QListWidget* mothers = dialog->MotherList();
            for (int row = 0; row < mothers->count(); ++row) {
                if (mothers->item(row)->text().startsWith(c.mother)) {
                    mothers->setCurrentRow(row);
                }
            }
            dialog->RedateButton()->click();
            dialog->reject();
        });
        Click(kMotherListButtonId);
        EXPECT_TRUE(m_messages.empty());
        EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(c.panelEdc));
        ASSERT_EQ(RecordListOf(*m_window)->count(), 1) << "her records are listed";
        if (c.panelEdc == 20) {
            EXPECT_EQ(ProfileOf(*m_window).WeekText(), "37");
            EXPECT_EQ(m_store->Read("EDC"), Today(20).toStdString());
        }
    }
}

}  // namespace
}  // namespace marulo::testing
