// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a 1024 x 600 screen, scaled by the program's own start: it fits, looks as at full
// size, and its controls and chart answer the mouse where they are drawn.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Languages.h"
#include "controls/WindowLayout.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/WindowScale.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {
namespace {

using namespace controls;
using namespace marulo::testing;

double g_layoutScale = 1.0;

class SmallScreenTest : public testing::MainWindowTestBase {
protected:
    QImage ShowAndGrab(double layoutScale) {
        OpenWindow({}, layoutScale).CentreOnWorkArea();
        m_window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        return m_window->grab().toImage();
    }
    QWindow* Screen() const { return m_window->windowHandle(); }
    QPoint Scaled(QPoint tablePoint) const {
        return {ScaledCoordinate(tablePoint.x(), g_layoutScale),
                ScaledCoordinate(tablePoint.y(), g_layoutScale)};
    }
};

TEST_F(SmallScreenTest, TheWindowFitsAndAnswersWhereItIsDrawn) {
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(work.size(), QSize(1024, 600)) << "the test needs a 1024 x 600 screen";
    EXPECT_NEAR(g_layoutScale, 600.0 / 627.0, 0.0001);

    // Against the full-size window shrunk as a picture, square by square the same colours:
    // nothing clipped, shifted or painted black.
    const QImage full = ShowAndGrab(1.0);
    const QImage small = ShowAndGrab(g_layoutScale);
    EXPECT_TRUE(work.contains(m_window->frameGeometry()));
    for (const ControlPlace& place : kControlPlaces) {
        EXPECT_TRUE(m_window->rect().contains(ControlOf(*m_window, place.id)->geometry()))
            << place.name;
    }
    const QSize squares = small.size() / 16;
    const QImage shown = small.scaled(squares, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage expected = full.scaled(squares, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < squares.height(); ++y) {
        for (int x = 0; x < squares.width(); ++x) {
            const QRgb a = shown.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            ASSERT_LT(std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                std::abs(qBlue(a) - qBlue(b))}),
                      24)
                << "square " << x << "," << y;
        }
    }

    // Clicks at the table's places, scaled: the language button at the bottom edge, the week
    // field, the calendar button, and the face beside the week field.
    int menus = 0;
    m_window->Prompts().SetMenuHook([&menus](QMenu&, const QPoint&) {
        ++menus;
        return nullptr;
    });
    const struct {
        QPoint tablePoint;
        int menus;
        bool calendarShown;
    } clicks[] = {{{20, 616}, 1, false},
                  {{240, 123}, 1, false},
                  {{329, 155}, 0, true},
                  {{210, 123}, 0, false}};
    for (const auto& click : clicks) {
        menus = 0;
        QTest::mouseClick(Screen(), Qt::LeftButton, {}, Scaled(click.tablePoint));
        EXPECT_EQ(menus, click.menus) << click.tablePoint.x();
        EXPECT_EQ(CalendarOf(*m_window)->isVisible(), click.calendarShown) << click.tablePoint.x();
        CalendarOf(*m_window)->hide();
    }
}

TEST_F(SmallScreenTest, TheChartPointsAtItsSecondsAndScrollsByDrag) {
    constexpr int kSeconds = 300;
    testing::WriteRecord(m_folder / "Data" / "Anna_20100512_20100209080000000.zip",
                         std::vector<std::int32_t>(kSeconds, 140));
    ShowAndGrab(g_layoutScale);
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    RecordListOf(*m_window)->setCurrentRow(0);
    views::ReviewView* chart = ReviewViewOf(*m_window);
    ASSERT_TRUE(QTest::qWaitFor([chart] { return !chart->IsLoading(); }, 10000));

    // A second is a table pixel, narrower than a screen pixel: the hand shows over the last
    // second of the trace and not just beyond it.
    QWidget* page = chart->viewport();
    for (const auto& [second, pointing] : {std::pair(kSeconds - 1, true), {kSeconds + 2, false}}) {
        QTest::mouseMove(Screen(), page->mapTo(m_window.get(), Scaled(QPoint(second, 100))));
        EXPECT_EQ(page->cursor().shape() == Qt::BitmapCursor, pointing) << second;
    }

    // The thumb sits at the left end, just after the arrow button; dragged, it moves the page.
    QScrollBar* bar = chart->horizontalScrollBar();
    const QPoint from = bar->mapTo(m_window.get(), QPoint(bar->height() + 4, bar->height() / 2));
    ASSERT_EQ(chart->OffsetX(), 0);
    QTest::mousePress(Screen(), Qt::LeftButton, {}, from);
    QTest::mouseMove(Screen(), from + QPoint(60, 0));
    QTest::mouseRelease(Screen(), Qt::LeftButton, {}, from + QPoint(60, 0));
    EXPECT_GT(chart->OffsetX(), 0);
}

// Whether the panel's two outermost pixel columns on each side hold only its background: no
// letter drawn over its edge.
bool EdgesClear(const QImage& panel) {
    const QRgb background = panel.pixel(0, 0);
    for (const int x : {0, 1, panel.width() - 2, panel.width() - 1}) {
        for (int y = 0; y < panel.height(); ++y) {
            if (panel.pixel(x, y) != background) {
                return false;
            }
        }
    }
    return true;
}

// The bottom captions at the small screen's scale, in every language, with the longest input
// caption: drawn within their panels (shortened at the end only without room), the input's
// whole caption for a screen reader and in its tip.
TEST_F(SmallScreenTest, TheBottomCaptionsFitInEveryLanguage) {
    const std::filesystem::path res = std::filesystem::path(MARULO_SOURCE_DIR) / "res";
    std::filesystem::copy_file(res / "Lang.ini", m_folder / "Lang.ini");
    std::filesystem::copy(res / "lang", m_folder / "lang");
    const std::string used = "Built-in Audio Analog Stereo.wav";
    platform::SetSoundInputFile((m_folder / used).string());
    const struct {
        const char* language;
        const char* chosen;
    } cases[] = {
        {"English", nullptr},  {"English", "USB Audio CODEC Analog Stereo"},
        {"Deutsch", nullptr},  {"Deutsch", "USB Audio CODEC Analog Stereo"},
        {"简体中文", nullptr}, {"简体中文", "USB Audio CODEC Analog Stereo"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.language) + (c.chosen != nullptr ? ", not connected" : ""));
        ASSERT_TRUE(app::SwitchLanguageFiles(c.language));
        app::ResetUiFonts();
        m_store->Write("InputDevice", c.chosen != nullptr ? "usb" : "");
        m_store->Write("InputDeviceName", c.chosen != nullptr ? c.chosen : "");
        ShowAndGrab(g_layoutScale);
        const QString whole =
            c.chosen != nullptr
                ? Text("InputMissingCaption").arg(QString::fromStdString(used), c.chosen)
                : Text("InputCaption").arg(QString::fromStdString(used));
        auto* input = static_cast<QAbstractButton*>(ControlOf(*m_window, kInputButtonId));
        const QWidget* homepage = ControlOf(*m_window, kHomepageButtonId);
        EXPECT_EQ(input->accessibleName(), whole);
        EXPECT_LE(input->geometry().right(), homepage->geometry().left());
        for (const int id : {kLanguageButtonId, kInputButtonId, kHomepageButtonId}) {
            EXPECT_TRUE(EdgesClear(ControlOf(*m_window, id)->grab().toImage()))
                << "a caption is cut at its panel's edge: control " << id;
        }
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), input->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(input, &help);
        EXPECT_TRUE(QToolTip::text().startsWith(whole)) << QToolTip::text().toStdString();
        QToolTip::hideText();
    }
}

}  // namespace
}  // namespace marulo::mainwnd

int main(int argc, char** argv) {
    // Offscreen unless a real X server is asked for (QT_QPA_PLATFORM=xcb on `Xvfb -screen 0
    // 1024x600x24`).
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr || std::string(platform).starts_with("offscreen")) {
        setenv("QT_QPA_PLATFORM",
               "offscreen:configfile=" MARULO_SOURCE_DIR "/tools/screenshots/screen-1024x600.json",
               1);
    }
    marulo::mainwnd::g_layoutScale = marulo::mainwnd::FitWindowScaleToScreen(argc, argv);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
