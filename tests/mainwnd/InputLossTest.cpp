// SPDX-License-Identifier: GPL-3.0-or-later
// The sound server goes away under a running monitoring run: the run ends as if stopped, its
// audio is stored and the user is told. A program of its own, as the server does not come back.
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <chrono>
#include <regex>

#include "controls/SkinnedButton.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/support/PulseTestMain.h"

namespace marulo::testing {
namespace {

class InputLossTest : public MainWindowTestBase {
protected:
    // A window with a profile that hears the private sound service, which plays a heartbeat;
    // null (the test skipped) where the service cannot run.
    PrivatePulseAudio* OpenWindowHearingTheSoundService() {
        PrivatePulseAudio* const pulse = SharedPulseAudio();
        if (pulse == nullptr) {
            return nullptr;
        }
        platform::SetSoundInputFile(std::nullopt);
        mainwnd::MainWindow& window = OpenWindow();
        NameBoxOf(window)->setText("Anna");
        ProfileOf(window).SetEdcText("2010-05-12");
        pulse->FeedPaced(PulsingAudio(30));
        return pulse;
    }
};

// A sound server that hangs mid-run: the run ends as a lost input with the audio from before the
// pause, and says so; nothing from after the pause is joined to it as if continuous.
TEST_F(InputLossTest, AStalledSoundInputEndsTheRunInsteadOfSplicingIt) {
    PrivatePulseAudio* const pulse = OpenWindowHearingTheSoundService();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    mainwnd::MainWindow& window = *m_window;
    const auto start = std::chrono::steady_clock::now();
    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 16000 && !ignored;
    }));
    pulse->Pause(true);
    const std::chrono::duration<double> beforePause = std::chrono::steady_clock::now() - start;
    const bool ended =
        WaitFor([&] { return !m_controller->IsCapturing(); }, std::chrono::seconds(6));
    pulse->Pause(false);
    ASSERT_TRUE(ended) << "the run went on through the pause";
    ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
    pulse->StopFeeding();
    StopAndWait();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("SoundInputLost"));
    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    const auto wav = StoredAudio(files[0]);
    ASSERT_TRUE(wav);
    EXPECT_GE(wav->samples.size(), 16000u);
    EXPECT_LE(wav->samples.size(), static_cast<std::size_t>((beforePause.count() + 0.5) * 16000));
}

TEST_F(InputLossTest, ALostSoundInputEndsTheRunKeepsItsAudioAndSaysSo) {
    PrivatePulseAudio* const pulse = OpenWindowHearingTheSoundService();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    mainwnd::MainWindow& window = *m_window;
    QTest::mouseClick(ControlOf(window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 3 * 16000 &&
               !ignored;
    }));
    pulse->StopFeeding();
    pulse->EndDaemon();

    ASSERT_TRUE(WaitFor([&] { return !m_controller->IsCapturing(); }))
        << "the run went on without its sound input";
    ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
    StopAndWait();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, mainwnd::MessageKind::Error);
    EXPECT_EQ(m_messages[0].second, Text("SoundInputLost"));
    EXPECT_FALSE(m_controller->AnyThreadRunning());

    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(files[0], std::regex(R"(Anna_20100512_\d{17}\.zip)")));
    EXPECT_EQ(RecordListOf(window)->count(), 1);
    const auto wav = StoredAudio(files[0]);
    ASSERT_TRUE(wav);
    EXPECT_GE(wav->samples.size(), 3u * 16000u);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.wav"));
}

}  // namespace
}  // namespace marulo::testing
