// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ProfilePanel.h"

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <string>
#include <vector>

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
    QWidget* Control(int id) { return ControlOf(*m_window, id); }
    void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }

    void FillProfile(const QString& name, const QString& edc) {
        NameBoxOf(*m_window)->setText(name);
        ProfileOf(*m_window).SetEdcText(edc);
    }

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
        // A mis-click keeps the due date every later record is filed under.
        {10, 281, "AlertEDCOver", 10, "38", "4"},
        {10, -1, "AlertEDCPass", 10, "38", "4"},
        // With none before, today's.
        {std::nullopt, 281, "AlertEDCOver", 0, "40", "0"},
        {std::nullopt, -1, "AlertEDCPass", 0, "40", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.daysAhead);
        ProfileOf(*m_window).SetEdcText(c.before ? Today(*c.before) : QString());
        m_messages.clear();
        bool calendarShownAtWarning = true;
        m_window->Prompts().SetMessageHook([&](MessageKind kind, const QString& text) {
            calendarShownAtWarning = CalendarOf(*m_window)->isVisible();
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
    EXPECT_EQ(labels, QStringList({"0 ~ 9", "10 ~ 19", "20 ~ 29", "30 ~ 39", "40 ~ 43"}));
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
    wanted = 43;
    Click(kWeekButtonId);
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "43");
    EXPECT_EQ(ProfileOf(*m_window).EdcText(), Today(-21));
    // Nothing chosen: nothing changes.
    wanted = 99;
    Click(kWeekButtonId);
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), "43");
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

}  // namespace
}  // namespace marulo::testing
