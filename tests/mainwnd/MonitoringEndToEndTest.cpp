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
#include "mainwnd/EdcCalendar.h"
#include "platform/WavReader.h"
#include "platform/Zip.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/support/PulseTestMain.h"
#include "views/MonitorView.h"

namespace marulo::testing {
namespace {

class MonitoringEndToEndTest : public MainWindowTestBase {};

TEST_F(MonitoringEndToEndTest, RecordHoldsTheCapturedAudioAndItsHeartRateTrace) {
    PrivatePulseAudio* const pulse = SharedPulseAudio();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    ::unsetenv(platform::kSoundInputFileVariable);
    mainwnd::MainWindow& window = OpenWindow();
    window.show();
    QTest::keyClicks(window.NameBox(), QStringLiteral("Anna"));
    window.OpenCalendar();
    const QDate edc = QDate::currentDate().addDays(100);
    emit window.Calendar()->clicked(edc);
    ASSERT_EQ(window.EdcText(), edc.toString(QStringLiteral("yyyy-MM-dd")));

    pulse->FeedPaced(PulsingAudio(12));
    QTest::mouseClick(window.Control(controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(m_controller->IsCapturing());
    // Four seconds of audio, and more coming, before the stop.
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 4 * 16000 &&
               !ignored;
    }));
    // A screen reader reads the live rate as the view's value, and nothing once monitoring ends.
    QAccessibleInterface* live = QAccessible::queryAccessibleInterface(window.MonitorView());
    ASSERT_TRUE(WaitFor([&] { return window.MonitorView()->CurrentRate() > 0; }));
    EXPECT_EQ(live->text(QAccessible::Value),
              Text("SpokenBpm").arg(window.MonitorView()->CurrentRate()));
    QTest::mouseClick(window.Control(controls::kMonitorButtonId), Qt::LeftButton);
    StopAndWait();
    pulse->StopFeeding();
    EXPECT_TRUE(live->text(QAccessible::Value).isEmpty());
    EXPECT_TRUE(m_messages.empty());

    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    const std::string digits = edc.toString(QStringLiteral("yyyyMMdd")).toStdString();
    EXPECT_TRUE(std::regex_match(files[0], std::regex("Anna_" + digits + R"(_\d{17}\.zip)")))
        << files[0];
    ASSERT_EQ(window.RecordList()->count(), 1);

    platform::ZipReader zip;
    ASSERT_TRUE(zip.Open(m_folder / "Data" / files[0]));
    ASSERT_EQ(zip.ItemCount(), 2);
    EXPECT_EQ(zip.ItemName(0), "Data.wav");
    EXPECT_EQ(zip.ItemName(1), "Data.hr");
    ASSERT_TRUE(zip.ExtractItemToFile(0, m_folder / "check.wav"));
    ASSERT_TRUE(zip.ExtractItemToFile(1, m_folder / "check.hr"));
    zip.Close();

    std::string error;
    const auto wav = platform::ReadWavFile(m_folder / "check.wav", error);
    ASSERT_TRUE(wav) << error;
    EXPECT_EQ(wav->format.channels, 2);
    EXPECT_EQ(wav->format.samplesPerSecond, 8000u);
    EXPECT_GE(wav->samples.size(), 4u * 16000u);
    const std::vector<std::int32_t> trace = archive::ReadTrace(m_folder / "check.hr");
    EXPECT_GE(trace.size(), 4u);
    EXPECT_EQ(trace, acquisition::AnalyzeCaptureBytes(wav->samples));
}

}  // namespace
}  // namespace marulo::testing
