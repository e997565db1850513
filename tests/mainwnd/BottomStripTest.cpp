// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/BottomStrip.h"

#include "mainwnd/LanguageMenu.h"

#include <QAction>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/Languages.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowLayout.h"
#include "platform/Shell.h"
#include "tests/mainwnd/MainWindowFixture.h"

namespace marulo::testing {
namespace {

namespace fs = std::filesystem;

constexpr QRect kLanguagePlace = controls::ControlRect(controls::kLanguageButtonId);
constexpr QRect kHomepagePlace = controls::ControlRect(controls::kHomepageButtonId);

const char* const kEnglish =
    "[Message]\nMotherTitle=Mother\n[Font]\nName=DejaVu Sans\nSize=9\n"
    "[Language]\nTitle=Language\nCurrent=English\n[Homepage]\nTitle=Guide\n"
    "Url=https://example.org/en\n";
const char* const kGerman =
    "[Message]\nMotherTitle=Mutter\n[Font]\nName=DejaVu Sans\nSize=12\n"
    "[Language]\nTitle=Sprache: Deutsch\nCurrent=Deutsch\n[Homepage]\nTitle=Anleitung lesen\n"
    "Url=guide.html\n";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int CaptionWidth(const std::string& caption) {
    return QFontMetrics(app::UiFont(true)).horizontalAdvance(QString::fromStdString(caption)) + 6;
}

// A folder of configuration files with two languages and one whose file is missing.
class BottomStripTest : public MainWindowTestBase {
protected:
    void SetUp() override {
        MainWindowTestBase::SetUp();
        fs::create_directories(m_folder / "lang");
        std::ofstream(m_folder / "lang" / "English.ini", std::ios::binary) << kEnglish;
        std::ofstream(m_folder / "lang" / "German.ini", std::ios::binary) << kGerman;
        std::ofstream(m_folder / "Conf.ini", std::ios::binary) << kEnglish;
        std::ofstream(m_folder / "Lang.ini", std::ios::binary)
            << "[Language]\nEnglish=lang/English.ini\nDeutsch=lang//German.ini\n"
               "Missing=lang/Missing.ini\n";
        app::ResetUiFonts();
    }

    // Answers the next menu with the item of this name, or with nothing.
    void ChooseFromMenu(const QString& name) {
        m_window->Prompts().SetMenuHook([this, name](QMenu& menu, const QPoint& at) -> QAction* {
            m_menuPoint = at;
            m_menuItems.clear();
            QAction* found = nullptr;
            for (QAction* item : menu.actions()) {
                m_menuItems.push_back({item->text(), item->isChecked(), item->isEnabled()});
                if (item->text() == name) {
                    found = item;
                }
            }
            return found;
        });
    }

    QWidget* Button(int id) const { return ControlOf(*m_window, id); }

    struct MenuItem {
        QString text;
        bool checked;
        bool enabled;
        bool operator==(const MenuItem&) const = default;
    };
    QPoint m_menuPoint;
    std::vector<MenuItem> m_menuItems;
};

TEST_F(BottomStripTest, MenuListsTheLanguagesInFileOrderWithTheActiveOneMarked) {
    OpenWindow();
    ChooseFromMenu({});
    StripOf(*m_window).OpenLanguageMenu();
    const std::vector<MenuItem> expected = {
        {"English", true, false}, {"Deutsch", false, true}, {"Missing", false, true}};
    EXPECT_EQ(m_menuItems, expected);
    const QWidget* language = Button(controls::kLanguageButtonId);
    EXPECT_EQ(m_menuPoint, language->mapToGlobal(QPoint(-2, language->height())));
    EXPECT_EQ(ReadFile(m_folder / "Conf.ini"), kEnglish);

    // A Conf.ini naming no listed language marks nothing.
    std::ofstream(m_folder / "Conf.ini", std::ios::binary) << "[Language]\nCurrent=Klingon\n";
    StripOf(*m_window).OpenLanguageMenu();
    for (const MenuItem& item : m_menuItems) {
        EXPECT_FALSE(item.checked) << item.text.toStdString();
        EXPECT_TRUE(item.enabled) << item.text.toStdString();
    }
}

TEST_F(BottomStripTest, SwitchChangesCaptionsAndFontsAtOnceAndSurvivesARestart) {
    OpenWindow();
    m_window->show();
    const QRect motherTitle(150, 77, 63, 27);
    const QImage before = m_window->grab(motherTitle).toImage();
    EXPECT_EQ(app::UiFont(false).pixelSize(), 12);

    ChooseFromMenu("Deutsch");
    StripOf(*m_window).OpenLanguageMenu();

    EXPECT_EQ(ReadFile(m_folder / "Conf.ini"), kGerman);
    EXPECT_EQ(m_store->Read("Language"), "Deutsch") << "the choice is kept";
    EXPECT_NE(m_window->grab(motherTitle).toImage(), before) << "the panel shows the new texts";
    EXPECT_EQ(app::UiFont(false).pixelSize(), 16);
    EXPECT_EQ(NameBoxOf(*m_window)->font(), app::UiFont(false));
    EXPECT_EQ(RecordListOf(*m_window)->font(), app::UiFont(false));
    const auto* language = qobject_cast<QAbstractButton*>(Button(controls::kLanguageButtonId));
    const auto* homepage = qobject_cast<QAbstractButton*>(Button(controls::kHomepageButtonId));
    EXPECT_EQ(language->text(), "Sprache: Deutsch");
    EXPECT_EQ(homepage->text(), "Anleitung lesen");
    EXPECT_EQ(language->geometry(), QRect(12, 607, CaptionWidth("Sprache: Deutsch"), 18));
    EXPECT_EQ(homepage->geometry().left() + homepage->width(), 887);
    EXPECT_EQ(homepage->width(), CaptionWidth("Anleitung lesen"));

    // A new window, as after a restart, reads the language chosen last.
    CloseWindow();
    app::ResetUiFonts();
    OpenWindow();
    EXPECT_EQ(qobject_cast<QAbstractButton*>(Button(controls::kLanguageButtonId))->text(),
              "Sprache: Deutsch");
    ChooseFromMenu({});
    StripOf(*m_window).OpenLanguageMenu();
    ASSERT_EQ(m_menuItems.size(), 3u);
    EXPECT_TRUE(m_menuItems[1].checked);
    EXPECT_FALSE(m_menuItems[0].checked);
}

// A missing file changes nothing silently; a file outside the language folder is refused and
// the user is told which file it was.
TEST_F(BottomStripTest, LanguageWhoseFileIsMissingOrOutsideChangesNothing) {
    std::ofstream(m_folder / "Lang.ini", std::ios::app) << "Outside=lang/../outside.ini\n";
    std::ofstream(m_folder / "outside.ini", std::ios::binary) << kGerman;
    OpenWindow();
    const QFont font = app::UiFont(false);
    const QRect languageBefore = Button(controls::kLanguageButtonId)->geometry();
    for (const QString name : {"Missing", "Outside"}) {
        SCOPED_TRACE(name.toStdString());
        ChooseFromMenu(name);
        StripOf(*m_window).OpenLanguageMenu();
        EXPECT_EQ(ReadFile(m_folder / "Conf.ini"), kEnglish);
        EXPECT_EQ(app::UiFont(false), font);
        EXPECT_EQ(Button(controls::kLanguageButtonId)->geometry(), languageBefore);
        EXPECT_EQ(qobject_cast<QAbstractButton*>(Button(controls::kLanguageButtonId))->text(),
                  "Language");
    }
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, mainwnd::MessageKind::Warning);
    EXPECT_EQ(m_messages[0].second, Text("LanguageOutsideFolder") + "\nlang/../outside.ini");
    EXPECT_FALSE(Text("LanguageOutsideFolder").isEmpty());
}

TEST_F(BottomStripTest, BottomButtonsFitTheirCaptions) {
    QWidget face;
    QPushButton language(&face);
    QPushButton homepage(&face);
    struct Case {
        const char* languageTitle;
        const char* homepageTitle;
    };
    for (const Case& c :
         {Case{"L", "H"}, Case{"A much longer language caption", "Homepage"}, Case{"", ""}}) {
        SCOPED_TRACE(c.languageTitle);
        std::ofstream(m_folder / "Conf.ini", std::ios::binary)
            << "[Language]\nTitle=" << c.languageTitle << "\n[Homepage]\nTitle=" << c.homepageTitle
            << "\n";
        language.setGeometry(kLanguagePlace);
        homepage.setGeometry(kHomepagePlace);
        mainwnd::LayoutBottomButtons(language, homepage, 1.0);
        EXPECT_EQ(language.text(), c.languageTitle);
        EXPECT_EQ(homepage.text(), c.homepageTitle);
        EXPECT_EQ(language.geometry(),
                  QRect(kLanguagePlace.topLeft(),
                        QSize(CaptionWidth(c.languageTitle), kLanguagePlace.height())));
        const int homepageWidth = CaptionWidth(c.homepageTitle);
        EXPECT_EQ(homepage.geometry(),
                  QRect(kHomepagePlace.left() + kHomepagePlace.width() - homepageWidth,
                        kHomepagePlace.top(), homepageWidth, kHomepagePlace.height()));
    }
}

TEST_F(BottomStripTest, HomepageOpensTheConfiguredAddress) {
    std::vector<QUrl> opened;
    platform::Shell::SetOpenHandlerForTesting([&opened](const QUrl& url) {
        opened.push_back(url);
        return true;
    });
    std::string where;
    EXPECT_TRUE(mainwnd::OpenHomepageAddress(where));
    EXPECT_EQ(where, "https://example.org/en");
    // A relative address is a file beside the configuration files.
    std::ofstream(m_folder / "Conf.ini", std::ios::binary) << kGerman;
    std::ofstream(m_folder / "guide.html") << "guide";
    EXPECT_TRUE(mainwnd::OpenHomepageAddress(where));
    EXPECT_EQ(fs::path(where), m_folder / "guide.html");
    platform::Shell::SetOpenHandlerForTesting({});
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], QUrl("https://example.org/en"));
    EXPECT_EQ(fs::path(opened[1].toLocalFile().toStdString()), m_folder / "guide.html");
}

TEST_F(BottomStripTest, TheInputMenuLetsTheInputGoOnlyAroundAChoice) {
    OpenWindow();
    std::vector<std::string> told;
    QObject::connect(&StripOf(*m_window), &mainwnd::BottomStrip::inputChoiceChanging,
                     [&told] { told.emplace_back("changing"); });
    QObject::connect(&StripOf(*m_window), &mainwnd::BottomStrip::inputChoiceChanged,
                     [&told] { told.emplace_back("changed"); });
    m_store->Write("InputDevice", "gone");
    const struct {
        bool chooseDefault;
        std::vector<std::string> told;
        std::optional<std::string> kept;
    } cases[] = {
        {false, {}, "gone"},
        {true, {"changing", "changed"}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chooseDefault);
        told.clear();
        // The system default is the menu's first item.
        m_window->Prompts().SetMenuHook([&c](QMenu& menu, const QPoint&) -> QAction* {
            return c.chooseDefault ? menu.actions().value(0) : nullptr;
        });
        QTest::mouseClick(Button(controls::kInputButtonId), Qt::LeftButton);
        EXPECT_EQ(told, c.told);
        EXPECT_EQ(m_store->Read("InputDevice"), c.kept);
        EXPECT_TRUE(m_messages.empty());
    }
}

// The program's own language files, as installed.
class FirstStartTest : public MainWindowTestBase {
protected:
    void SetUp() override {
        MainWindowTestBase::SetUp();
        const fs::path res = fs::path(MARULO_SOURCE_DIR) / "res";
        fs::copy_file(res / "Lang.ini", m_folder / "Lang.ini");
        fs::copy(res / "lang", m_folder / "lang");
        app::ResetUiFonts();
    }
};

// Qt reads the locale variables once, when the application starts: each case starts a program
// of its own with them, takes the language as the program's start does and reads the window.
TEST_F(FirstStartTest, TakesTheSystemLanguageUnlessAChoiceIsKept) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    using Environment = std::vector<std::pair<const char*, const char*>>;
    const struct {
        Environment environment;
        const char* activeBefore;
        bool kept;
        const char* caption;
    } cases[] = {
        {{{"LANG", "de_DE.UTF-8"}}, nullptr, false, "Sprache: Deutsch"},
        {{{"LANG", "zh_CN.UTF-8"}}, nullptr, false, "语言：简体中文"},
        {{{"LANG", "zh_TW.UTF-8"}}, nullptr, false, "Language: English"},
        {{{"LANG", "fr_FR.UTF-8"}}, nullptr, false, "Language: English"},
        {{{"LANG", "C"}}, nullptr, false, "Language: English"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_ALL", "de_DE.UTF-8"}}, nullptr, false, "Sprache: Deutsch"},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "zh_CN.UTF-8"}},
         nullptr,
         false,
         "语言：简体中文"},
        {{{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "de_AT:en"}}, nullptr, false, "Sprache: Deutsch"},
        // A choice kept at an earlier start wins over the system.
        {{{"LANG", "de_DE.UTF-8"}}, nullptr, true, "Language: English"},
        // A language chosen before choices were kept stays.
        {{{"LANG", "en_US.UTF-8"}}, "Deutsch", false, "Sprache: Deutsch"},
    };
    const char* const variables[] = {"LC_ALL", "LC_MESSAGES", "LANG", "LANGUAGE"};
    std::vector<std::optional<std::string>> before;
    for (const char* name : variables) {
        const char* value = std::getenv(name);
        before.push_back(value != nullptr ? std::optional<std::string>(value) : std::nullopt);
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.environment.back().first) + "=" + c.environment.back().second);
        for (const char* name : variables) {
            unsetenv(name);
        }
        for (const auto& [name, value] : c.environment) {
            setenv(name, value, 1);
        }
        const auto start = [this, &c] {
            if (c.activeBefore != nullptr) {
                app::SwitchLanguageFiles(c.activeBefore);
            }
            if (c.kept) {
                mainwnd::KeepLanguageChoice(*m_store);
            }
            mainwnd::TakeSystemLanguageAtFirstStart(*m_store, QLocale::system());
            OpenWindow();
            const auto* language =
                qobject_cast<QAbstractButton*>(Control(controls::kLanguageButtonId));
            std::fprintf(stderr, "caption %s kept %s\n", language->text().toUtf8().constData(),
                         m_store->Read("Language").value_or("nothing").c_str());
            std::fflush(stderr);
            std::_Exit(0);
        };
        const std::string kept = c.caption == std::string("Language: English")  ? "English"
                                 : c.caption == std::string("Sprache: Deutsch") ? "Deutsch"
                                                                                : "简体中文";
        EXPECT_EXIT(start(), ::testing::ExitedWithCode(0),
                    std::string("caption ") + c.caption + " kept " + kept);
    }
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i]) {
            setenv(variables[i], before[i]->c_str(), 1);
        } else {
            unsetenv(variables[i]);
        }
    }
}

}  // namespace
}  // namespace marulo::testing
