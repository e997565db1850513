// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "controls/SkinnedButton.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/Volume.h"
#include "platform/OutputVolume.h"
#include "tests/mainwnd/MainWindowFixture.h"

namespace marulo::testing {
namespace {

using namespace controls;

class KeyboardAccessTest : public MainWindowTestBase {
protected:
    void SetUp() override {
        MainWindowTestBase::SetUp();
        platform::SetOutputVolume(65535);
        mainwnd::ResetMutedVolumeForTesting();
    }

    mainwnd::MainWindow& ShowWindow() {
        OpenWindow();
        m_window->show();
        m_window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(m_window.get()));
        return *m_window;
    }
    QWidget* Control(int id) { return m_window->Control(id); }
    void ShowPlaybackControls() {
        for (const int id : {kPlayButtonId, kMuteButtonId, kVolumeSliderId}) {
            Control(id)->show();
        }
    }
    static QString Focused() {
        const QWidget* focus = QApplication::focusWidget();
        return focus == nullptr ? QString() : focus->objectName();
    }
    static QString Name(QWidget* widget) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible == nullptr ? QString() : accessible->text(QAccessible::Name);
    }
    void UseLanguage(const char* file) {
        std::filesystem::copy_file(std::filesystem::path(MARULO_SOURCE_DIR) / "res" / "lang" / file,
                                   m_folder / "Conf.ini",
                                   std::filesystem::copy_options::overwrite_existing);
        app::ResetUiFonts();
        m_window->CreateControls();
    }
};

TEST_F(KeyboardAccessTest, TabWalksTheControlsInThePanelsOrder) {
    ShowWindow();
    EXPECT_EQ(Focused(), "NameBox") << "typing goes to the name at start";
    ShowPlaybackControls();
    Control(kMotherListButtonId)->setFocus(Qt::TabFocusReason);
    const QStringList expected = {
        "MotherListButton", "NameBox",        "WeekButton",   "DayButton",
        "CalendarButton",   "MonitorButton",  "RecordList",   "ReviewView",
        "PlayButton",       "MuteButton",     "VolumeSlider", "LanguageButton",
        "HomepageButton",   "MinimizeButton", "CloseButton",  "MotherListButton",
    };
    QStringList visited = {Focused()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << Focused();
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(KeyboardAccessTest, SpaceAndEnterPressButtonsAndAMousePressLeavesTheFocus) {
    ShowWindow();
    int menus = 0;
    m_window->SetMenuHook([&menus](QMenu&, const QPoint&) {
        ++menus;
        return nullptr;
    });
    QWidget* day = Control(kDayButtonId);
    QTest::mouseClick(day, Qt::LeftButton);
    EXPECT_EQ(menus, 1);
    EXPECT_FALSE(day->hasFocus()) << "a click shows no focus mark";
    day->setFocus(Qt::TabFocusReason);
    QTest::keyClick(day, Qt::Key_Space);
    QTest::keyClick(day, Qt::Key_Return);
    QTest::keyClick(day, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(menus, 4);
}

TEST_F(KeyboardAccessTest, ReturnInTheNameBoxMovesOn) {
    ShowWindow();
    m_window->NameBox()->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(m_window->NameBox(), "Anna");
    QTest::keyClick(m_window->NameBox(), Qt::Key_Return);
    EXPECT_EQ(Focused(), "WeekButton");
    EXPECT_EQ(m_window->NameBox()->text(), "Anna");
}

TEST_F(KeyboardAccessTest, EscapeClosesTheCalendarAndTheMenus) {
    ShowWindow();
    QWidget* calendarButton = Control(kCalendarButtonId);
    calendarButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(calendarButton, Qt::Key_Return);
    mainwnd::EdcCalendar* calendar = m_window->Calendar();
    ASSERT_TRUE(calendar->isVisible());
    ASSERT_TRUE(calendar->isAncestorOf(QApplication::focusWidget()) || calendar->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(calendar->isVisible()) << "the calendar's own keys still work";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(Focused(), "CalendarButton") << "the focus goes back where it came from";

    // The real menus: Escape closes each without a choice.
    const QString week = m_window->WeekText();
    for (const int id : {kDayButtonId, kWeekButtonId, kLanguageButtonId}) {
        SCOPED_TRACE(id);
        bool closed = false;
        QTimer::singleShot(50, [&closed] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                QTest::keyClick(popup, Qt::Key_Escape);
                closed = true;
            }
        });
        Control(id)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(Control(id), Qt::Key_Space);
        EXPECT_TRUE(closed);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
    EXPECT_EQ(m_window->WeekText(), week);
}

TEST_F(KeyboardAccessTest, EveryControlHasANameAndATipFromTheLanguageFile) {
    ShowWindow();
    ShowPlaybackControls();
    struct Expected {
        int id;
        const char* key;
    };
    const Expected controls[] = {
        {kMinimizeButtonId, "TipMinimize"},
        {kCloseButtonId, "TipClose"},
        {kMotherListButtonId, "TipMotherList"},
        {kMonitorButtonId, "TipMonitorStart"},
        {kMonitorViewId, "TipLiveView"},
        {kNameBoxId, "TipName"},
        {kCalendarButtonId, "TipCalendar"},
        {kEdcCalendarId, "TipEdcCalendar"},
        {kRecordListId, "TipRecords"},
        {kReviewViewId, "TipChart"},
        {kPlayButtonId, "TipPlay"},
        {kMuteButtonId, "TipMute"},
        {kVolumeSliderId, "TipVolume"},
        {kHomepageButtonId, "TipHomepage"},
        {kLanguageButtonId, "TipLanguage"},
        {kWeekButtonId, "TipWeek"},
        {kDayButtonId, "TipDay"},
        {kEdcDisplayId, "TipEdc"},
    };
    for (const char* language : {"English.ini", "German.ini", "Chinese.ini"}) {
        SCOPED_TRACE(language);
        UseLanguage(language);
        for (const Expected& e : controls) {
            QWidget* control = Control(e.id);
            const QString tip = Text(e.key);
            ASSERT_FALSE(tip.isEmpty()) << e.key;
            EXPECT_EQ(control->toolTip(), tip) << e.key;
            const QString name = Name(control);
            if (e.id == kLanguageButtonId || e.id == kHomepageButtonId) {
                EXPECT_EQ(name, static_cast<QAbstractButton*>(control)->text()) << e.key;
            } else {
                EXPECT_TRUE(name.startsWith(tip)) << e.key << " " << name.toStdString();
            }
        }
    }
    // A field's name carries its value.
    UseLanguage("English.ini");
    m_window->SetEdcText(QStringLiteral("2031-05-12"));
    m_window->grab();
    EXPECT_EQ(Name(Control(kEdcDisplayId)), Text("TipEdc") + QStringLiteral(": 2031-05-12"));
}

TEST_F(KeyboardAccessTest, TheMonitoringButtonsNameFollowsItsState) {
    ShowWindow();
    QWidget* monitor = Control(kMonitorButtonId);
    EXPECT_EQ(Name(monitor), Text("TipMonitorStart"));
    m_window->NameBox()->setText(QStringLiteral("Anna"));
    m_window->SetEdcText(QDate::currentDate().addDays(90).toString(QStringLiteral("yyyy-MM-dd")));
    m_window->ToggleMonitoring();
    ASSERT_TRUE(WaitFor([&] { return Name(monitor) == Text("TipMonitorStop"); }));
    EXPECT_EQ(monitor->toolTip(), Text("TipMonitorStop"));
    m_window->ToggleMonitoring();
    StopAndWait();
    EXPECT_TRUE(WaitFor([&] { return Name(monitor) == Text("TipMonitorStart"); }));
}

TEST_F(KeyboardAccessTest, TheCalendarSpeaksTheCurrentLanguage) {
    ShowWindow();
    struct Case {
        const char* file;
        const char* locale;
    };
    for (const Case c : {Case{"German.ini", "de_DE"}, Case{"Chinese.ini", "zh_CN"},
                         Case{"English.ini", "en_US"}}) {
        SCOPED_TRACE(c.file);
        UseLanguage(c.file);
        QCalendarWidget* calendar = m_window->Calendar();
        const QLocale locale(QString::fromLatin1(c.locale));
        EXPECT_EQ(calendar->locale().name(), locale.name());
        const auto* month =
            calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
        ASSERT_NE(month, nullptr);
        EXPECT_EQ(month->text(), locale.standaloneMonthName(calendar->monthShown()));
        EXPECT_EQ(calendar->firstDayOfWeek(), locale.firstDayOfWeek());
    }
}

TEST_F(KeyboardAccessTest, TheMuteButtonLiesAboveTheSliderAndTakesItsClicks) {
    ShowWindow();
    ShowPlaybackControls();
    // Column 703 is the mute picture's right edge, under the slider's left end.
    EXPECT_EQ(m_window->childAt(703, 555), Control(kMuteButtonId));
    QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, QPoint(703, 555));
    EXPECT_TRUE(mainwnd::IsMuted());
}

TEST_F(KeyboardAccessTest, TheSliderTakesKeysAndPagesByAFifth) {
    ShowWindow();
    ShowPlaybackControls();
    auto* slider = static_cast<QSlider*>(Control(kVolumeSliderId));
    slider->setValue(0);
    slider->setFocus(Qt::TabFocusReason);
    QTest::keyClick(slider, Qt::Key_PageUp);
    EXPECT_EQ(slider->value(), 13107);
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(slider->value(), 13107 + 3276);
    QTest::keyClick(slider, Qt::Key_End);
    EXPECT_EQ(slider->value(), 65535);
    EXPECT_EQ(platform::GetOutputVolume(), 65535);
    QTest::keyClick(slider, Qt::Key_PageDown);
    EXPECT_EQ(slider->value(), 65535 - 13107);
    EXPECT_EQ(platform::GetOutputVolume(), mainwnd::OutputLevelForSlider(65535 - 13107));
}

TEST_F(KeyboardAccessTest, LevelAndMuteAreKeptAcrossStarts) {
    ShowWindow();
    auto* slider = static_cast<QSlider*>(Control(kVolumeSliderId));
    slider->setValue(13107);
    m_window->ToggleMute();
    ASSERT_TRUE(mainwnd::IsMuted());
    CloseWindow();

    // A new process: full volume, nothing remembered.
    platform::SetOutputVolume(65535);
    mainwnd::ResetMutedVolumeForTesting();
    ShowWindow();
    slider = static_cast<QSlider*>(Control(kVolumeSliderId));
    EXPECT_EQ(slider->value(), 13107);
    EXPECT_TRUE(mainwnd::IsMuted());
    m_window->ToggleMute();
    EXPECT_EQ(platform::GetOutputVolume(), mainwnd::OutputLevelForSlider(13107));
    CloseWindow();

    platform::SetOutputVolume(65535);
    mainwnd::ResetMutedVolumeForTesting();
    ShowWindow();
    EXPECT_FALSE(mainwnd::IsMuted());
    EXPECT_EQ(platform::GetOutputVolume(), mainwnd::OutputLevelForSlider(13107));
}

}  // namespace
}  // namespace marulo::testing
