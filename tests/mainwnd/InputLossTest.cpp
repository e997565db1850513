// SPDX-License-Identifier: GPL-3.0-or-later
// The sound server goes away under a running monitoring run: the run ends as if stopped, its
// audio is stored and the user is told. A program of its own, as the server does not come back.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <regex>

#include "controls/SkinnedButton.h"
#include "platform/WavReader.h"
#include "platform/Zip.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/support/PrivatePulseAudio.h"

namespace marulo::testing {
namespace {

std::unique_ptr<PrivatePulseAudio> g_pulse;
std::string g_pulseProblem;

class InputLossTest : public MainWindowTestBase {};

TEST_F(InputLossTest, ALostSoundInputEndsTheRunKeepsItsAudioAndSaysSo) {
    if (!g_pulse) {
        GTEST_SKIP() << g_pulseProblem;
    }
    ::unsetenv(platform::kSoundInputFileVariable);
    mainwnd::MainWindow& window = OpenWindow();
    window.InstallCaptureErrorReporter();
    window.NameBox()->setText("Anna");
    window.SetEdcText("2010-05-12");

    g_pulse->FeedPaced(PulsingAudio(30));
    QTest::mouseClick(window.Control(controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 3 * 16000 &&
               !ignored;
    }));
    g_pulse->StopFeeding();
    g_pulse->EndDaemon();

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
    EXPECT_EQ(window.RecordList()->count(), 1);
    platform::ZipReader zip;
    ASSERT_TRUE(zip.Open(m_folder / "Data" / files[0]));
    ASSERT_TRUE(zip.ExtractItemToFile(0, m_folder / "check.wav"));
    std::string error;
    const auto wav = platform::ReadWavFile(m_folder / "check.wav", error);
    ASSERT_TRUE(wav) << error;
    EXPECT_GE(wav->samples.size(), 3u * 16000u);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.wav"));
}

}  // namespace
}  // namespace marulo::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // The sound system is chosen before Qt looks for devices.
    marulo::testing::g_pulse =
        marulo::testing::PrivatePulseAudio::Start(marulo::testing::g_pulseProblem);
    int result = 0;
    {
        QApplication application(argc, argv);
        result = RUN_ALL_TESTS();
    }
    marulo::testing::g_pulse.reset();
    return result;
}
