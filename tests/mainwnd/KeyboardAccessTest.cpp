// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "app/Fonts.h"
#include "controls/SkinnedButton.h"
#include "dialogs/MotherListDialog.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/ScreenReader.h"
#include "mainwnd/Volume.h"
#include "platform/OutputVolume.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "views/ReviewView.h"

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
    void ShowPlaybackControls() {
        for (const int id : {kPlayButtonId, kMuteButtonId, kVolumeSliderId}) {
            Control(id)->show();
        }
        Control(kExportButtonId)->setEnabled(true);
        Control(kNoteButtonId)->setEnabled(true);
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
        m_window->Retranslate();
    }
};

TEST_F(KeyboardAccessTest, TabWalksTheControlsInThePanelsOrder) {
    ShowWindow();
    EXPECT_EQ(Focused(), "NameBox") << "typing goes to the name at start";
    ShowPlaybackControls();
    Control(kMotherListButtonId)->setFocus(Qt::TabFocusReason);
    const QStringList expected = {
        "MotherListButton",   "NameBox",        "WeekButton",     "DayButton",
        "CalendarButton",     "MonitorButton",  "MonitorView",    "RecordList",
        "DeleteRecordButton", "ReviewView",     "NoteButton",     "ExportButton",
        "PlayButton",         "MuteButton",     "VolumeSlider",   "LanguageButton",
        "InputButton",        "HomepageButton", "MinimizeButton", "CloseButton",
        "MotherListButton",
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
    m_window->Prompts().SetMenuHook([&menus](QMenu&, const QPoint&) {
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
    NameBoxOf(*m_window)->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(NameBoxOf(*m_window), "Anna");
    QTest::keyClick(NameBoxOf(*m_window), Qt::Key_Return);
    EXPECT_EQ(Focused(), "WeekButton");
    EXPECT_EQ(NameBoxOf(*m_window)->text(), "Anna");
}

TEST_F(KeyboardAccessTest, EscapeClosesTheCalendarAndTheMenus) {
    ShowWindow();
    QWidget* calendarButton = Control(kCalendarButtonId);
    calendarButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(calendarButton, Qt::Key_Return);
    mainwnd::EdcCalendar* calendar = CalendarOf(*m_window);
    ASSERT_TRUE(calendar->isVisible());
    ASSERT_TRUE(calendar->isAncestorOf(QApplication::focusWidget()) || calendar->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_TRUE(calendar->isVisible()) << "the calendar's own keys still work";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(calendar->isVisible());
    EXPECT_EQ(Focused(), "CalendarButton") << "the focus goes back where it came from";

    // The real menus: Escape closes each without a choice.
    const QString week = ProfileOf(*m_window).WeekText();
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
    EXPECT_EQ(ProfileOf(*m_window).WeekText(), week);
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
        {kInputButtonId, "TipInput"},
        {kWeekButtonId, "TipWeek"},
        {kDayButtonId, "TipDay"},
        {kEdcDisplayId, "TipEdc"},
        {kExportButtonId, "TipExport"},
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
            if (e.id == kLanguageButtonId || e.id == kHomepageButtonId || e.id == kExportButtonId) {
                EXPECT_EQ(name, static_cast<QAbstractButton*>(control)->text()) << e.key;
            } else if (e.id == kInputButtonId) {
                // The panel may shorten a long device name in the middle, never its start.
                const QString shown = static_cast<QAbstractButton*>(control)->text();
                EXPECT_TRUE(name.startsWith(shown.left(shown.indexOf(QLatin1Char(':')) + 1)))
                    << name.toStdString();
            } else {
                EXPECT_TRUE(name.startsWith(tip)) << e.key << " " << name.toStdString();
            }
        }
    }
    // A field's name carries its value.
    UseLanguage("English.ini");
    ProfileOf(*m_window).SetEdcText(QStringLiteral("2031-05-12"));
    m_window->grab();
    EXPECT_EQ(Name(Control(kEdcDisplayId)), Text("TipEdc") + QStringLiteral(": 2031-05-12"));
}

// The recording state and the export button hold their words in every language, in the table's
// pixels they are painted in at any layout scale: the word with its dot and the longest time on
// a line each, "not recording" on two lines at most.
TEST_F(KeyboardAccessTest, TheRecordingStateAndExportWordsFitTheirPlaces) {
    ShowWindow();
    const QRect state = ControlRect(kRecordingStateId);
    const QRect exportButton = ControlRect(kExportButtonId);
    for (const char* language : {"English.ini", "German.ini", "Chinese.ini"}) {
        SCOPED_TRACE(language);
        UseLanguage(language);
        const QFontMetrics metrics(app::UiFont(true));
        const int dot = metrics.height() * 2 / 3;
        EXPECT_LE(dot + dot / 2 + metrics.horizontalAdvance(Text("RecordingNow")), state.width());
        EXPECT_LE(2 * metrics.height(), state.height());
        QFont larger = app::UiFont(true);
        ASSERT_GT(larger.pixelSize(), 0);
        larger.setPixelSize(larger.pixelSize() * 6 / 5);
        EXPECT_LE(QFontMetrics(larger).horizontalAdvance("10:00:00"), state.width());
        EXPECT_LE(metrics
                      .boundingRect(QRect(0, 0, state.width(), 1000), Qt::TextWordWrap,
                                    Text("NotRecording"))
                      .height(),
                  state.height());
        EXPECT_LE(metrics.horizontalAdvance(Text("ExportButton")) + 8, exportButton.width());
    }
}

TEST_F(KeyboardAccessTest, TheMonitoringButtonsNameFollowsItsState) {
    ShowWindow();
    QWidget* monitor = Control(kMonitorButtonId);
    EXPECT_EQ(Name(monitor), Text("TipMonitorStart"));
    NameBoxOf(*m_window)->setText(QStringLiteral("Anna"));
    ProfileOf(*m_window).SetEdcText(
        QDate::currentDate().addDays(90).toString(QStringLiteral("yyyy-MM-dd")));
    MonitoringOf(*m_window).ToggleMonitoring();
    ASSERT_TRUE(WaitFor([&] { return Name(monitor) == Text("TipMonitorStop"); }));
    EXPECT_EQ(monitor->toolTip(), Text("TipMonitorStop"));
    MonitoringOf(*m_window).ToggleMonitoring();
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
        QCalendarWidget* calendar = CalendarOf(*m_window);
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
    PlaybackOf(*m_window).ToggleMute();
    ASSERT_TRUE(mainwnd::IsMuted());
    CloseWindow();

    // A new process: full volume, nothing remembered.
    platform::SetOutputVolume(65535);
    mainwnd::ResetMutedVolumeForTesting();
    ShowWindow();
    slider = static_cast<QSlider*>(Control(kVolumeSliderId));
    EXPECT_EQ(slider->value(), 13107);
    EXPECT_TRUE(mainwnd::IsMuted());
    PlaybackOf(*m_window).ToggleMute();
    EXPECT_EQ(platform::GetOutputVolume(), mainwnd::OutputLevelForSlider(13107));
    CloseWindow();

    platform::SetOutputVolume(65535);
    mainwnd::ResetMutedVolumeForTesting();
    ShowWindow();
    EXPECT_FALSE(mainwnd::IsMuted());
    EXPECT_EQ(platform::GetOutputVolume(), mainwnd::OutputLevelForSlider(13107));
}

// WCAG's contrast ratio of two colours.
double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(KeyboardAccessTest, EveryControlTheKeyboardReachesShowsAMarkTwoPixelsWideThatStandsOut) {
    testing::WriteRecord(m_folder / "Data" / "Anna_20100512_20100209110700000.zip",
                         std::vector<std::int32_t>(120, 140), 1.0);
    ShowWindow();
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    ShowPlaybackControls();
    const QColor panel(255, 204, 255);
    for (const QColor& ground : {panel, QColor(255, 255, 255), QColor(246, 239, 255)}) {
        EXPECT_GE(Contrast(kFocusMarkColour, ground), 3.0) << ground.name().toStdString();
    }
    Control(kMotherListButtonId)->setFocus(Qt::TabFocusReason);
    QStringList marked;
    for (int step = 0; step < 19; ++step) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QWidget* drawn = focus;
        int middle = focus->height() / 2;
        if (auto* list = qobject_cast<QListWidget*>(focus)) {
            drawn = list->viewport();
            ASSERT_NE(list->currentItem(), nullptr) << "the focus shows on the current record";
            middle = list->visualItemRect(list->currentItem()).center().y();
        } else if (focus == ReviewViewOf(*m_window)) {
            drawn = ReviewViewOf(*m_window)->viewport();
            middle = drawn->height() / 2;
        }
        if (focus != NameBoxOf(*m_window)) {
            const QImage image = drawn->grab().toImage();
            for (const int x : {1, 2}) {
                EXPECT_EQ(image.pixelColor(x, middle), kFocusMarkColour)
                    << focus->objectName().toStdString() << " column " << x;
            }
            marked << focus->objectName();
        }
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(marked.size(), 18);
}

TEST_F(KeyboardAccessTest, TheRecordListTakesDownAndShiftF10) {
    for (const char* file :
         {"Anna_20100512_20100209110700000.zip", "Anna_20100512_20100210110700000.zip"}) {
        testing::WriteRecord(m_folder / "Data" / file, {140, 141}, 1.0);
    }
    ShowWindow();
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    QListWidget* list = RecordListOf(*m_window);
    list->setFocus(Qt::TabFocusReason);
    for (const int row : {0, 1}) {
        QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(list->selectedItems().size(), 1);
        EXPECT_EQ(list->currentRow(), row);
        ASSERT_TRUE(WaitFor([this] { return !ReviewViewOf(*m_window)->IsLoading(); }));
        EXPECT_EQ(ReviewViewOf(*m_window)->Trace().size(), 2U);
    }
    QStringList menu;
    m_window->Prompts().SetMenuHook([&menu](QMenu& shown, const QPoint&) -> QAction* {
        for (QAction* action : shown.actions()) {
            menu << action->text();
        }
        return nullptr;
    });
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(menu.contains(Text("MenuExportPdf"))) << menu.join(',').toStdString();
}

TEST_F(KeyboardAccessTest, AScreenReaderHearsNamesRolesAndValues) {
    testing::WriteRecord(m_folder / "Data" / "Anna_20100512_20100107110700000.zip", {140}, 1.0);
    testing::WriteRecord(m_folder / "Data" / "Anna_20100512_20090812153000000.zip", {140}, 1.0);
    ShowWindow();
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    ShowPlaybackControls();
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(m_window.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);

    QAccessibleInterface* records = QAccessible::queryAccessibleInterface(RecordListOf(*m_window));
    ASSERT_NE(records, nullptr);
    QStringList items;
    // Once the list has learnt each record's length and checked its sound.
    ASSERT_TRUE(WaitFor([&] {
        items.clear();
        for (int i = 0; i < records->childCount(); ++i) {
            items << records->child(i)->text(QAccessible::Name);
        }
        return items.size() == 2 && items[0].contains("heard") && items[1].contains("heard");
    })) << items.join('|').toStdString();
    EXPECT_EQ(items, QStringList({"Wednesday, August 12, 2009, 3:29 PM, duration 0:01, no "
                                  "heartbeat heard, 1 week 0 days",
                                  "Thursday, January 7, 2010, 11:06 AM, duration 0:01, no "
                                  "heartbeat heard, 22 weeks 1 day"}));

    auto* slider = static_cast<QSlider*>(Control(kVolumeSliderId));
    slider->setValue(32768);
    QAccessibleInterface* volume = QAccessible::queryAccessibleInterface(slider);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->role(), QAccessible::Slider);
    EXPECT_EQ(volume->text(QAccessible::Value), "50 percent");
    ASSERT_NE(volume->valueInterface(), nullptr);
    EXPECT_EQ(volume->valueInterface()->currentValue().toDouble(), 50.0);
    volume->valueInterface()->setCurrentValue(20.0);
    EXPECT_EQ(slider->value(), 13107);

    for (const char* part :
         {"qt_calendar_prevmonth", "qt_calendar_nextmonth", "qt_calendar_monthbutton",
          "qt_calendar_yearbutton", "qt_calendar_calendarview"}) {
        EXPECT_FALSE(Name(CalendarOf(*m_window)->findChild<QWidget*>(part)).isEmpty()) << part;
    }

    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QAccessibleInterface* mothers = QAccessible::queryAccessibleInterface(dialog->MotherList());
        EXPECT_EQ(mothers->text(QAccessible::Name), Text("MotherListTitle"));
        ASSERT_EQ(mothers->childCount(), 1);
        EXPECT_EQ(mothers->child(0)->text(QAccessible::Name), "Anna, due date 2010-05-12");
        dialog->reject();
    });
    ProfileOf(*m_window).OpenMotherList();
}

// A figure that changes every second is told when it changes, but not more often than every
// three seconds, and then with its latest value; a changed mark, or a move the user made, at once.
TEST_F(KeyboardAccessTest, AChangingFigureIsToldAtMostEveryThreeSeconds) {
    std::vector<QString> told;
    QWidget shown;
    int rate = 140;
    QString mark = "good ";
    mainwnd::SetSpokenValue(shown, {QAccessible::StaticText,
                                    [&rate, &mark] { return mark + QString::number(rate); },
                                    {},
                                    0.0,
                                    {},
                                    {},
                                    [&mark] { return mark; }});
    mainwnd::ValueChangeTeller teller(nullptr, [&told](QWidget& widget, const QString& text) {
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget);
        EXPECT_EQ(accessible->text(QAccessible::Value), text);
        // Only the description reaches a screen reader through the bus.
        EXPECT_EQ(accessible->text(QAccessible::Description), text);
        told.push_back(text);
    });
    teller.Watch(shown);
    const auto start = mainwnd::ValueChangeTeller::Clock::now();
    const struct {
        int second;
        int rate;
        const char* mark;
        bool userMoved;
        std::vector<QString> toldSoFar;
    } steps[] = {
        {0, 141, "good ", false, {"good 141"}},
        {1, 142, "good ", false, {"good 141"}},
        {2, 143, "good ", false, {"good 141"}},
        {3, 143, "good ", false, {"good 141", "good 143"}},
        {4, 143, "good ", false, {"good 141", "good 143"}},
        {7, 150, "good ", false, {"good 141", "good 143", "good 150"}},
        {8, 151, "weak ", false, {"good 141", "good 143", "good 150", "weak 151"}},
        {9, 152, "weak ", true, {"good 141", "good 143", "good 150", "weak 151", "weak 152"}},
        {10, 153, "weak ", false, {"good 141", "good 143", "good 150", "weak 151", "weak 152"}},
    };
    for (const auto& step : steps) {
        rate = step.rate;
        mark = step.mark;
        const auto now = start + std::chrono::seconds(step.second);
        if (step.userMoved) {
            teller.TellNow(shown, now);
        } else {
            teller.Poll(now);
        }
        EXPECT_EQ(told, step.toldSoFar) << step.second;
    }
}

TEST_F(KeyboardAccessTest, EmptyFieldsHintAndQtsOwnButtonsSpeakTheLanguage) {
    ShowWindow();
    NameBoxOf(*m_window)->clear();
    ProfileOf(*m_window).SetEdcText({});
    std::filesystem::copy(std::filesystem::path(MARULO_SOURCE_DIR) / "res" / "lang",
                          m_folder / "lang");
    std::filesystem::copy_file(std::filesystem::path(MARULO_SOURCE_DIR) / "res" / "Lang.ini",
                               m_folder / "Lang.ini");
    const struct {
        const char* file;
        const char* cancel;
    } languages[] = {
        {"German.ini", "Abbrechen"}, {"Chinese.ini", "取消"}, {"English.ini", "Cancel"}};
    for (const auto& language : languages) {
        SCOPED_TRACE(language.file);
        const QString name =
            QString::fromStdString(std::string(language.file) == "German.ini"    ? "Deutsch"
                                   : std::string(language.file) == "Chinese.ini" ? "简体中文"
                                                                                 : "English");
        m_window->Prompts().SetMenuHook([name](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions()) {
                if (action->text() == name) {
                    return action;
                }
            }
            return nullptr;
        });
        StripOf(*m_window).OpenLanguageMenu();
        EXPECT_EQ(NameBoxOf(*m_window)->placeholderText(), Text("HintName"));
        EXPECT_FALSE(Text("HintName").isEmpty());
        // Both show their hints, the name box while it has the focus too.
        NameBoxOf(*m_window)->setFocus();
        for (QWidget* field :
             {static_cast<QWidget*>(NameBoxOf(*m_window)), Control(kEdcDisplayId)}) {
            const QImage image = field->grab().toImage();
            const QColor ground = image.pixelColor(0, 0);
            int hintPixels = 0;
            for (int x = 0; x < image.width(); ++x) {
                for (int y = 2; y < image.height() - 2; ++y) {
                    hintPixels += image.pixelColor(x, y) != ground ? 1 : 0;
                }
            }
            EXPECT_GT(hintPixels, 40) << field->objectName().toStdString();
        }
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                  QString::fromUtf8(language.cancel));
    }
}

}  // namespace
}  // namespace marulo::testing
