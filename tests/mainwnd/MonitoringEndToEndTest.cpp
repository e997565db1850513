// SPDX-License-Identifier: GPL-3.0-or-later
// A monitoring run through the window with the real sound input, fed by a private PulseAudio.
#include <QAccessible>
#include <QDate>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <regex>

#include "acquisition/Analysis.h"
#include "archive/RecordFiles.h"
#include "controls/SkinnedButton.h"
#include "livesignal/LiveSignal.h"
#include "mainwnd/RecordingState.h"
#include "platform/Zip.h"
#include "recordformat/WavReader.h"
#include "tests/mainwnd/PulseWindowFixture.h"
#include "tools/synth/SyntheticRecording.h"
#include "views/MonitorView.h"

namespace marulo::testing {
namespace {

using MonitoringEndToEndTest = PulseWindowTestBase;

TEST_F(MonitoringEndToEndTest, RecordHoldsTheCapturedAudioAndItsHeartRateTrace) {
    mainwnd::MainWindow& window = OpenWithProfile();
    const QDate& edc = m_edc;
    ASSERT_EQ(ProfileOf(window).EdcText(), edc.toString(QStringLiteral("yyyy-MM-dd")));

    m_pulse->FeedPaced(PulsingAudio(12));
    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(m_controller->IsCapturing());
    // Four seconds of audio, and more coming, before the stop.
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 4 * 16000 &&
               !ignored;
    }));
    // A screen reader reads the live rate as the view's value, then the live mark, and nothing
    // once monitoring ends.
    QAccessibleInterface* live = QAccessible::queryAccessibleInterface(MonitorViewOf(window));
    ASSERT_TRUE(WaitFor([&] { return MonitorViewOf(window)->CurrentRate() > 0; }));
    // Plain, doubtful or none, as the live mark of its second has it.
    const std::int32_t rate = MonitorViewOf(window)->CurrentRate();
    const QString spoken = live->text(QAccessible::Value);
    EXPECT_TRUE(spoken.startsWith(Text("SpokenBpm").arg(rate)) ||
                spoken.startsWith(Text("SpokenDoubtfulBpm").arg(rate)) ||
                spoken.startsWith(Text("SpokenNoHeartbeat")))
        << spoken.toStdString();
    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    StopAndWait();
    m_pulse->StopFeeding();
    EXPECT_TRUE(live->text(QAccessible::Value).isEmpty());
    EXPECT_TRUE(m_messages.empty());

    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string digits = edc.toString(QStringLiteral("yyyyMMdd")).toStdString();
    EXPECT_TRUE(std::regex_match(files[0], std::regex("Anna_" + digits + R"(_\d{17}\.zip)")))
        << files[0];
    ASSERT_EQ(RecordListOf(window)->count(), 1);

    platform::ZipReader zip;
    ASSERT_TRUE(zip.Open(m_folder / "Data" / files[0]));
    ASSERT_EQ(zip.ItemCount(), 2);
    EXPECT_EQ(zip.ItemName(0), "Data.wav");
    EXPECT_EQ(zip.ItemName(1), "Data.hr");
    ASSERT_TRUE(zip.ExtractItemToFile(0, m_folder / "check.wav"));
    ASSERT_TRUE(zip.ExtractItemToFile(1, m_folder / "check.hr"));
    zip.Close();

    std::string error;
    const auto wav = recordformat::ReadWavFile(m_folder / "check.wav", error);
    ASSERT_TRUE(wav) << error;
    EXPECT_EQ(wav->format.channels, 2);
    EXPECT_EQ(wav->format.samplesPerSecond, 8000u);
    EXPECT_GE(wav->samples.size(), 4u * 16000u);
    const std::vector<std::int32_t> trace = recordformat::ReadTrace(m_folder / "check.hr");
    EXPECT_GE(trace.size(), 4u);
    EXPECT_EQ(trace, acquisition::AnalyzeCaptureBytes(wav->samples));
}

// The probe on the mother's vessel, heard through the real sound input: the mark turns weak,
// the hint asks to move the listener, a screen reader hears it with the number, the chart marks
// the seconds, and mark and hint go when monitoring stops.
TEST_F(MonitoringEndToEndTest, LiveMarkShowsTheMothersPulseHintUntilMonitoringStops) {
    mainwnd::MainWindow& window = OpenWithProfile();
    synth::ListeningOptions onVessel;
    onVessel.maternalBpm = 80;
    onVessel.maternalGain = 0.3;
    onVessel.slips.push_back({0, 30});
    // Four times as fast as live, so the hint's five seconds pass sooner.
    m_pulse->FeedPaced(synth::SynthesizeCaptureBytes({30, 140, 140, 3}, onVessel), 4);
    views::MonitorView& view = *MonitorViewOf(window);
    EXPECT_FALSE(view.LiveSignal());
    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(m_controller->IsCapturing());

    using livesignal::Hint;
    ASSERT_TRUE(WaitFor([&] {
        const auto mark = view.LiveSignal();
        return mark && mark->hint == Hint::MaternalPulse;
    }));
    EXPECT_EQ(view.LiveSignal()->state, livesignal::SignalState::Weak);
    // The weak mark's amber triangle is painted.
    const QImage shot = view.grab().toImage();
    int amber = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            amber += shot.pixelColor(x, y) == QColor(205, 130, 0);
        }
    }
    EXPECT_GT(amber, 20);
    QAccessibleInterface* live = QAccessible::queryAccessibleInterface(&view);
    const QString spoken = live->text(QAccessible::Value);
    EXPECT_TRUE(spoken.contains(Text("LiveMarkWeak"))) << spoken.toStdString();
    EXPECT_TRUE(spoken.contains(Text("LiveHintMaternal"))) << spoken.toStdString();
    // The chart under the live view marks those seconds doubtful and draws no plain rate there.
    const views::ReviewView& chart = *ReviewViewOf(window);
    ASSERT_FALSE(chart.QualityMarks().empty());
    EXPECT_NEAR(static_cast<double>(chart.QualityMarks().size()),
                static_cast<double>(chart.Trace().size()), 2.0);
    EXPECT_EQ(chart.QualityMarks().back(), ratecheck::Mark::Doubtful);

    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    StopAndWait();
    m_pulse->StopFeeding();
    EXPECT_TRUE(WaitFor([&] { return !view.LiveSignal(); }));
    EXPECT_TRUE(live->text(QAccessible::Value).isEmpty());
    EXPECT_TRUE(m_messages.empty());
}

// Beside the monitor button the run's elapsed time, by the audio it captured: fed four times as
// fast as live, it runs ahead of the wall clock. A screen reader hears the start and the stop at
// once and the running time at most every few seconds.
TEST_F(MonitoringEndToEndTest, RecordingStateCountsTheRunsAudioUntilTheStop) {
    using Clock = std::chrono::steady_clock;
    mainwnd::MainWindow& window = OpenWithProfile();
    auto* state = ControlOf<mainwnd::RecordingState>(window, controls::kRecordingStateId);
    ASSERT_NE(state, nullptr);
    EXPECT_TRUE(state->isVisible());
    EXPECT_EQ(state->Shown(), std::nullopt);
    EXPECT_EQ(state->accessibleName(), Text("NotRecording"));

    m_pulse->FeedPaced(PulsingAudio(60), 4);
    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(m_controller->IsCapturing());
    EXPECT_EQ(state->Shown(), 0);
    EXPECT_EQ(state->accessibleName(), Text("SpokenRecording").arg("0:00"));

    const Clock::time_point started = Clock::now();
    std::vector<Clock::time_point> renamed;
    QString name = state->accessibleName();
    std::int64_t shown = 0;
    // Seven seconds at least; a loaded machine that delays the look at the second running time
    // gets longer to show it.
    const auto watching = [&] {
        const Clock::duration watched = Clock::now() - started;
        return watched < std::chrono::seconds(7) ||
               (renamed.size() < 2 && watched < std::chrono::seconds(12));
    };
    while (watching()) {
        QTest::qWait(20);
        const std::int64_t now = state->Shown().value_or(-1);
        ASSERT_GE(now, shown) << "the time never runs back";
        shown = now;
        if (state->accessibleName() != name) {
            name = state->accessibleName();
            renamed.push_back(Clock::now());
        }
    }
    EXPECT_GE(shown, 10) << "seven wall seconds of audio fed four times as fast as live";
    ASSERT_GE(renamed.size(), 2U);
    for (std::size_t i = 1; i < renamed.size(); ++i) {
        // Three seconds apart, seen by a look that a loaded machine may delay; unpaced, the name
        // would change every quarter of a second.
        EXPECT_GE(renamed[i] - renamed[i - 1], std::chrono::milliseconds(2500));
    }
    EXPECT_TRUE(name.startsWith(Text("SpokenRecording").arg(QString()))) << name.toStdString();

    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    EXPECT_EQ(state->Shown(), std::nullopt);
    EXPECT_EQ(state->accessibleName(), Text("NotRecording")) << "told at once";
    StopAndWait();
    m_pulse->StopFeeding();
    EXPECT_EQ(state->accessibleName(), Text("NotRecording"));
    EXPECT_TRUE(m_messages.empty());
}

}  // namespace
}  // namespace marulo::testing
