// SPDX-License-Identifier: GPL-3.0-or-later
// The window on a 1024 x 600 screen, found by the program's own start: it shrinks to fit, and
// its controls and chart answer the mouse where they are drawn.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "controls/WindowLayout.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/WindowScale.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {
namespace {

using namespace controls;

double g_layoutScale = 1.0;

QPoint Scaled(QPoint tablePoint) {
    return {ScaledCoordinate(tablePoint.x(), g_layoutScale),
            ScaledCoordinate(tablePoint.y(), g_layoutScale)};
}

// Each colour channel's mean over a square of the image.
std::array<double, 3> MeanColour(const QImage& image, QRect square) {
    std::array<double, 3> sum{};
    for (int y = square.top(); y <= square.bottom(); ++y) {
        for (int x = square.left(); x <= square.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            sum[0] += qRed(pixel);
            sum[1] += qGreen(pixel);
            sum[2] += qBlue(pixel);
        }
    }
    for (double& channel : sum) {
        channel /= square.width() * square.height();
    }
    return sum;
}

class SmallScreenTest : public testing::MainWindowTestBase {
protected:
    MainWindow& ShowWindow(double layoutScale) {
        MainWindow& window = OpenWindow(layoutScale);
        window.CentreOnWorkArea();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
        return window;
    }

    void Click(QPoint tablePoint) {
        QTest::mouseClick(m_window->windowHandle(), Qt::LeftButton, {}, Scaled(tablePoint));
    }
};

TEST_F(SmallScreenTest, TheWholeWindowFitsTheWorkAreaAndLooksAsAtFullSize) {
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    ASSERT_EQ(work.size(), QSize(1024, 600)) << "the test needs a 1024 x 600 screen";
    EXPECT_NEAR(g_layoutScale, 600.0 / 627.0, 0.0001);

    MainWindow& window = ShowWindow(g_layoutScale);
    EXPECT_TRUE(work.contains(window.frameGeometry())) << window.frameGeometry().y();
    for (const ControlPlace& place : kControlPlaces) {
        SCOPED_TRACE(place.name);
        const QRect shown = window.Control(place.id)->geometry();
        EXPECT_TRUE(window.rect().contains(shown));
        if (place.id != kLanguageButtonId && place.id != kHomepageButtonId) {
            EXPECT_EQ(shown, ScaledRect(place.rect, g_layoutScale));
        }
    }
    const QImage small = window.grab().toImage();
    CloseWindow();

    // The shrunk window against the full-size one shrunk as a picture: square by square the
    // same colours, so nothing is clipped, shifted or painted black.
    const QImage reference = ShowWindow(1.0).grab().toImage().scaled(
        small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    constexpr int kSquare = 16;
    double worst = 0;
    QPoint worstAt;
    for (int y = 0; y + kSquare <= small.height(); y += kSquare) {
        for (int x = 0; x + kSquare <= small.width(); x += kSquare) {
            const QRect square(x, y, kSquare, kSquare);
            const auto shown = MeanColour(small, square);
            const auto expected = MeanColour(reference, square);
            for (std::size_t c = 0; c < 3; ++c) {
                if (std::abs(shown[c] - expected[c]) > worst) {
                    worst = std::abs(shown[c] - expected[c]);
                    worstAt = square.topLeft();
                }
            }
        }
    }
    EXPECT_LT(worst, 24.0) << "at " << worstAt.x() << "," << worstAt.y();
}

TEST_F(SmallScreenTest, ClicksReachTheControlDrawnThere) {
    ShowWindow(g_layoutScale);
    int menus = 0;
    m_window->SetMenuHook([&menus](QMenu&, const QPoint&) {
        ++menus;
        return nullptr;
    });
    const struct {
        QPoint tablePoint;
        int menus;
        bool calendarShown;
    } clicks[] = {
        {{20, 616}, 1, false},   // the language button at the bottom edge
        {{240, 123}, 1, false},  // the week field
        {{329, 155}, 0, true},   // the calendar button
        {{210, 123}, 0, false},  // the face beside the week field
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.tablePoint.x());
        menus = 0;
        Click(click.tablePoint);
        EXPECT_EQ(menus, click.menus);
        EXPECT_EQ(m_window->Calendar()->isVisible(), click.calendarShown);
        m_window->Calendar()->hide();
    }
}

TEST_F(SmallScreenTest, TheChartScrollsByDragAndPointsAtItsSeconds) {
    constexpr int kSeconds = 300;
    testing::WriteRecord(m_folder / "Data" / "Anna_20100512_20100209080000000.zip",
                         std::vector<std::int32_t>(kSeconds, 140));
    ShowWindow(g_layoutScale);
    m_window->NameBox()->setText("Anna");
    m_window->SetEdcText("2010-05-12");
    m_window->RefreshRecordList();
    m_window->RecordList()->setCurrentRow(0);
    views::ReviewView* chart = m_window->ReviewView();
    ASSERT_TRUE(QTest::qWaitFor([chart] { return !chart->IsLoading(); }, 10000));
    ASSERT_EQ(chart->Trace().size(), std::size_t{kSeconds});

    // The pointing hand shows over the trace's seconds only, found through the scale: a second
    // is a table pixel, less than a screen pixel wide.
    QWidget* page = chart->viewport();
    const int lastSecondShown = kSeconds - 1;
    const struct {
        int second;
        bool pointing;
    } moves[] = {{lastSecondShown, true}, {kSeconds + 2, false}};
    for (const auto& move : moves) {
        SCOPED_TRACE(move.second);
        QTest::mouseMove(m_window->windowHandle(),
                         page->mapTo(m_window.get(), Scaled(QPoint(move.second, 100))));
        EXPECT_EQ(page->cursor().shape() == Qt::BitmapCursor, move.pointing);
    }

    // The scroll bar's thumb dragged to the right moves the page along the chart.
    QScrollBar* bar = chart->horizontalScrollBar();
    QStyleOptionSlider option;
    option.initFrom(bar);
    option.orientation = Qt::Horizontal;
    option.minimum = bar->minimum();
    option.maximum = bar->maximum();
    option.sliderPosition = bar->sliderPosition();
    option.sliderValue = bar->value();
    option.pageStep = bar->pageStep();
    option.singleStep = bar->singleStep();
    const QPoint thumb =
        bar->style()
            ->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar)
            .center();
    const QPoint from = bar->mapTo(m_window.get(), thumb);
    ASSERT_EQ(chart->OffsetX(), 0);
    QTest::mousePress(m_window->windowHandle(), Qt::LeftButton, {}, from);
    QTest::mouseMove(m_window->windowHandle(), from + QPoint(60, 0));
    QTest::mouseRelease(m_window->windowHandle(), Qt::LeftButton, {}, from + QPoint(60, 0));
    EXPECT_GT(chart->OffsetX(), 0);
}

}  // namespace
}  // namespace marulo::mainwnd

int main(int argc, char** argv) {
    // A 1024 x 600 screen without a panel, offscreen unless a real X server is asked for.
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
