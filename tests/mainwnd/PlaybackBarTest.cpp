// SPDX-License-Identifier: GPL-3.0-or-later
#include <QSlider>
#include <QTest>
#include <functional>

#include "mainwnd/Volume.h"
#include "platform/OutputVolume.h"
#include "tests/mainwnd/MainWindowFixture.h"

namespace marulo::testing {
namespace {

using namespace controls;

class PlaybackBarTest : public MainWindowTestBase {
protected:
    void SetUp() override {
        MainWindowTestBase::SetUp();
        mainwnd::ResetMutedVolumeForTesting();
    }
};

TEST_F(PlaybackBarTest, MuteButtonAndSliderSetTheOutputVolume) {
    OpenWindow();
    auto* slider = static_cast<QSlider*>(Control(kVolumeSliderId));
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 65535);
    EXPECT_EQ(slider->value(), platform::GetOutputVolume());
    Control(kMuteButtonId)->show();
    slider->setValue(30000);
    const std::uint16_t level = mainwnd::OutputLevelForSlider(30000);
    EXPECT_EQ(platform::GetOutputVolume(), level);
    Click(kMuteButtonId);
    EXPECT_EQ(platform::GetOutputVolume(), 0);
    Click(kMuteButtonId);
    EXPECT_EQ(platform::GetOutputVolume(), level);
    EXPECT_EQ(slider->value(), 30000);
}

// The bar shows what the chart reports, and plays nothing while a run holds the working files.
TEST_F(PlaybackBarTest, ThePlayingStateFollowsTheChartAndARunRefusesPlay) {
    OpenWindow();
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    mainwnd::PlaybackBar& bar = PlaybackOf(*m_window);
    const struct {
        const char* step;
        std::function<void()> act;
        bool playing;
    } steps[] = {
        {"started", [&] { bar.OnPlaybackStarted(); }, true},
        {"stopped", [&] { bar.OnPlaybackStopped(); }, false},
        {"started again", [&] { bar.OnPlaybackStarted(); }, true},
        {"stopped again", [&] { bar.OnPlaybackStopped(); }, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        step.act();
        EXPECT_EQ(bar.IsPlaying(), step.playing);
    }
    Click(kMonitorButtonId);
    ASSERT_TRUE(m_controller->IsCapturing());
    // Nothing plays while the run holds the working files.
    bar.TogglePlayback();
    Pump();
    EXPECT_FALSE(bar.IsPlaying());
    EXPECT_TRUE(m_messages.empty());
    Click(kMonitorButtonId);
    StopAndWait();
}

}  // namespace
}  // namespace marulo::testing
