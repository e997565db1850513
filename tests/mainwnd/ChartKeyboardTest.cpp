// SPDX-License-Identifier: GPL-3.0-or-later
// The chart by keyboard alone: the review cursor steps through the record and playback starts
// where it stands. A program of its own with the private sound service, which plays the record.
#include <QAccessible>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <cmath>

#include "controls/LayoutScale.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "tests/support/PulseTestMain.h"
#include "views/ReviewView.h"

namespace marulo::testing {
namespace {

class ChartKeyboardTest : public MainWindowTestBase {
protected:
    // Anna's one record with a flat trace of that many seconds over silence, shown and checked.
    views::ReviewView* ShowRecord(std::int64_t seconds, double audioSeconds) {
        WriteRecord(m_folder / "Data" / "Anna_20100512_20100209110700000.zip",
                    std::vector<std::int32_t>(static_cast<std::size_t>(seconds), 140),
                    audioSeconds);
        OpenWindow();
        FillProfile("Anna", "2010-05-12");
        RecordsOf(*m_window).RefreshRecordList();
        m_window->show();
        m_window->activateWindow();
        RecordListOf(*m_window)->setCurrentRow(0);
        views::ReviewView* chart = ReviewViewOf(*m_window);
        return WaitFor([chart] { return !chart->IsLoading() && chart->Check(); }) ? chart : nullptr;
    }
};

TEST_F(ChartKeyboardTest, TheReviewCursorStepsByKeysAndPlaysFromWhereItStands) {
    if (SharedPulseAudio() == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    constexpr std::int64_t kSeconds = 20 * 60;
    // Thirty seconds of silence under a flat trace: once checked, they hold no heart rate.
    views::ReviewView* chart = ShowRecord(kSeconds, 30.0);
    ASSERT_NE(chart, nullptr);
    chart->setFocus(Qt::TabFocusReason);
    const int width = chart->viewport()->width();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::int64_t cursor;
    } steps[] = {
        {Qt::Key_Right, Qt::NoModifier, 0},  // the first key shows the cursor where the page starts
        {Qt::Key_Right, Qt::NoModifier, 1},
        {Qt::Key_Right, Qt::ShiftModifier, 11},
        {Qt::Key_Left, Qt::NoModifier, 10},
        {Qt::Key_End, Qt::NoModifier, kSeconds - 1},
        {Qt::Key_Right, Qt::NoModifier, kSeconds - 1},
        {Qt::Key_Home, Qt::NoModifier, 0},
        {Qt::Key_Left, Qt::ShiftModifier, 0},
        {Qt::Key_Right, Qt::ShiftModifier, 10},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.cursor);
        QTest::keyClick(chart, step.key, step.modifiers);
        ASSERT_EQ(chart->KeyCursor(), step.cursor);
        // The page follows the cursor.
        EXPECT_LE(chart->OffsetX(), step.cursor);
        EXPECT_GT(chart->OffsetX() + width, step.cursor);
    }
    EXPECT_EQ(chart->SpokenReadout(), "Playback position 0:10, no heart rate");

    for (const Qt::Key play : {Qt::Key_Return, Qt::Key_Space}) {
        QTest::keyClick(chart, play);
        ASSERT_TRUE(WaitFor([this] {
            return PlaybackOf(*m_window).IsPlaying() &&
                   ReviewViewOf(*m_window)->PlayingSecond() >= 10;
        }));
        EXPECT_LT(chart->PlayingSecond(), 15);
        chart->StopPlayback();
    }

    // A screen reader gets the cursor as a number of seconds, which it may set, and as text.
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(chart);
    ASSERT_NE(spoken->valueInterface(), nullptr);
    EXPECT_EQ(spoken->valueInterface()->currentValue().toDouble(), 10.0);
    EXPECT_EQ(spoken->valueInterface()->maximumValue().toDouble(), kSeconds - 1.0);
    spoken->valueInterface()->setCurrentValue(30.0);
    EXPECT_EQ(chart->KeyCursor(), 30);
    EXPECT_EQ(spoken->text(QAccessible::Description).toStdString(),
              chart->SpokenReadout().toStdString());
    EXPECT_TRUE(chart->SpokenReadout().startsWith("Playback position 0:30, "));
}

// A play key pressed while playing stops, like the play button, and the next plays on from
// there; the keyboard's cursor goes with the sound and the button tells what plays.
TEST_F(ChartKeyboardTest, PlayKeysWhilePlayingStopAndGoOnWithTheCursorMoving) {
    if (SharedPulseAudio() == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    views::ReviewView* chart = ShowRecord(60, 60.0);
    ASSERT_NE(chart, nullptr);
    chart->setFocus(Qt::TabFocusReason);
    const mainwnd::PlaybackBar& bar = PlaybackOf(*m_window);
    const struct {
        Qt::Key key;
        bool playing;
    } presses[] = {{Qt::Key_Return, true}, {Qt::Key_Return, false}, {Qt::Key_Space, true}};
    for (const auto& press : presses) {
        QTest::keyClick(chart, press.key);
        // Long enough for the sound to be heard moving before the next key.
        QTest::qWait(1200);
        ASSERT_EQ(chart->IsPlaying(), press.playing);
        ASSERT_EQ(bar.IsPlaying(), press.playing);
    }
    const std::int64_t from = chart->PlayingSecond();
    ASSERT_TRUE(WaitFor([chart, from] { return chart->PlayingSecond() >= from + 2; }));
    ASSERT_TRUE(WaitFor([chart] { return chart->KeyCursor() == chart->PlayingSecond(); }))
        << "the keyboard's cursor stood at " << chart->KeyCursor().value_or(-1) << " while "
        << chart->PlayingSecond() << " played";
    EXPECT_GE(*chart->KeyCursor(), 2);
    QTest::keyClick(chart, Qt::Key_Space);
    EXPECT_FALSE(chart->IsPlaying());
    EXPECT_FALSE(bar.IsPlaying());
}

// With the keyboard on the chart its frame leaves the quality strip in sight, and the strip's
// legend comes by key and is the chart's description for a screen reader.
TEST_F(ChartKeyboardTest, TheFocusFrameLeavesTheStripInSightAndTheLegendComesByKey) {
    views::ReviewView* chart = ShowRecord(60, 60.0);
    ASSERT_NE(chart, nullptr);
    const int stripRows = static_cast<int>(
        std::ceil(views::kQualityStripHeight * controls::LayoutScale(*chart->viewport())));
    const auto strip = [chart, stripRows](const QImage& page) {
        return page.copy(0, page.height() - stripRows, page.width(), stripRows);
    };
    NameBoxOf(*m_window)->setFocus(Qt::TabFocusReason);
    const QImage unfocused = chart->viewport()->grab().toImage();
    chart->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(chart->hasFocus());
    const QImage focused = chart->viewport()->grab().toImage();
    EXPECT_NE(focused, unfocused) << "the frame shows";
    EXPECT_EQ(strip(focused), strip(unfocused)) << "the frame covers the quality strip";

    const QString legend = QString::fromStdString(app::MessageText("ReviewStripLegend"));
    ASSERT_FALSE(legend.isEmpty());
    for (const Qt::Key key : {Qt::Key_F1, Qt::Key_Question}) {
        QToolTip::hideText();
        QTest::keyClick(chart, key);
        EXPECT_TRUE(QToolTip::isVisible()) << key;
        EXPECT_EQ(QToolTip::text(), legend) << key;
    }
    QToolTip::hideText();
    EXPECT_EQ(QAccessible::queryAccessibleInterface(chart)->text(QAccessible::Description), legend);
}

}  // namespace
}  // namespace marulo::testing
