// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WavePlayer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "platform/OutputVolume.h"
#include "recordformat/WavFileWriter.h"
#include "tests/support/PrivatePulseAudio.h"
#include "tests/support/TempFolder.h"

namespace marulo::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A WAV file of the capture format (2 x 8 bit, 8000 Hz) holding a quiet tone.
std::string CaptureFormatWav(double seconds, std::uint16_t formatTag = 1) {
    const auto dataBytes = static_cast<std::uint32_t>(seconds * 16000);
    recordformat::WaveFormat format = acquisition::CaptureFormat();
    format.formatTag = formatTag;
    const auto header = recordformat::WavHeader(format, dataBytes);
    std::string wav(header.begin(), header.end());
    for (std::uint32_t i = 0; i < dataBytes; ++i) {
        wav += static_cast<char>((i / 2) % 16 < 8 ? 120 : 136);
    }
    return wav;
}

// Runs the event loop until the condition holds or a generous limit passes.
bool ProcessEventsUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 30s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return condition();
}

// Records what a play's handler heard.
struct Outcomes {
    std::vector<PlayNotify> heard;
    WavePlayer::NotifyHandler Handler() {
        return [this](PlayNotify outcome) { heard.push_back(outcome); };
    }
};

class WavePlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string whyNot;
        s_pulse = testing::PrivatePulseAudio::Start(whyNot).release();
        ASSERT_NE(s_pulse, nullptr) << whyNot;
    }
    static void TearDownTestSuite() {
        delete s_pulse;
        s_pulse = nullptr;
    }

    std::string File(const std::string& name, const std::string& content) {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    static testing::PrivatePulseAudio* s_pulse;
    testing::TempFolder m_dir{"player"};
};

testing::PrivatePulseAudio* WavePlayerTest::s_pulse = nullptr;

TEST_F(WavePlayerTest, RefusesWhatIsNotAPlayablePcmWav) {
    const std::string wav = CaptureFormatWav(0.5);
    const std::vector<std::string> paths = {
        "",
        (m_dir / "missing.wav").string(),
        File("text.wav", "just some text, not audio at all"),
        File("float.wav", CaptureFormatWav(0.5, 3)),
        File("short.wav", wav.substr(0, 30)),
        File("nodata.wav", wav.substr(0, 36)),
    };
    WavePlayer player;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        Outcomes outcomes;
        EXPECT_FALSE(player.Open(path));
        EXPECT_EQ(player.DeviceId(), 0U);
        EXPECT_EQ(player.PositionMilliseconds(), -1);
        EXPECT_FALSE(player.Play(0, outcomes.Handler()));
        EXPECT_FALSE(player.IsPlaying());
        EXPECT_FALSE(player.Close());
    }
}

TEST_F(WavePlayerTest, EachOpenGivesAFreshNonZeroDeviceId) {
    // Chunks other than the format and the data, padded to an even size, are passed over.
    const std::string plain = CaptureFormatWav(0.5);
    const std::string path = File(
        "a.wav", plain.substr(0, 12) + std::string("LIST\3\0\0\0abc\0", 12) + plain.substr(12));
    WavePlayer player;
    ASSERT_TRUE(player.Open(path));
    const auto first = player.DeviceId();
    EXPECT_NE(first, 0U);
    EXPECT_TRUE(player.Close());
    EXPECT_FALSE(player.IsOpen());
    EXPECT_EQ(player.PositionMilliseconds(), -1);
    ASSERT_TRUE(player.Open(path));
    EXPECT_NE(player.DeviceId(), 0U);
    EXPECT_NE(player.DeviceId(), first);
}

// The volume observer must leave with the device it adjusts.
TEST_F(WavePlayerTest, VolumeChangesReachOnlyAnOpenDevice) {
    WavePlayer player;
    ASSERT_TRUE(player.Open(File("a.wav", CaptureFormatWav(0.5))));
    SetOutputVolume(30000);
    ASSERT_TRUE(player.Close());
    SetOutputVolume(65535);
    ASSERT_TRUE(player.Open(File("b.wav", CaptureFormatWav(0.5))));
    SetOutputVolume(20000);
    EXPECT_TRUE(player.IsOpen());
    SetOutputVolume(65535);
}

TEST_F(WavePlayerTest, PlaysFromTheStartToTheEndAndReportsSuccess) {
    WavePlayer player;
    ASSERT_TRUE(player.Open(File("record.wav", CaptureFormatWav(2.0))));
    Outcomes outcomes;
    EXPECT_TRUE(player.Play(0, outcomes.Handler()));
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_TRUE(ProcessEventsUntil([&] { return player.PositionMilliseconds() > 0; }));
    ASSERT_TRUE(ProcessEventsUntil([&] { return !outcomes.heard.empty(); }));
    EXPECT_EQ(outcomes.heard, std::vector<PlayNotify>{PlayNotify::Successful});
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_TRUE(player.Close());
    EXPECT_FALSE(player.IsOpen());
    QCoreApplication::processEvents();
    EXPECT_EQ(outcomes.heard.size(), 1U);
}

TEST_F(WavePlayerTest, NewerPlaySupersedesOlderAndSeeksBeforeTheMediaIsLoaded) {
    WavePlayer player;
    ASSERT_TRUE(player.Open(File("record.wav", CaptureFormatWav(2.0))));
    Outcomes older;
    Outcomes newer;
    player.Play(0, older.Handler());
    EXPECT_TRUE(player.Play(1, newer.Handler()));
    EXPECT_GE(player.PositionMilliseconds(), 1000);
    std::int64_t lowest = 1'000'000;
    ASSERT_TRUE(ProcessEventsUntil([&] {
        if (player.IsPlaying()) {
            lowest = std::min(lowest, player.PositionMilliseconds());
        }
        return !newer.heard.empty();
    }));
    EXPECT_EQ(older.heard, std::vector<PlayNotify>{PlayNotify::Superseded});
    EXPECT_EQ(newer.heard, std::vector<PlayNotify>{PlayNotify::Successful});
    EXPECT_GE(lowest, 1000);
}

TEST_F(WavePlayerTest, StopKeepsThePlaceAndStopOrCloseAbortThePlay) {
    WavePlayer player;
    ASSERT_TRUE(player.Open(File("record.wav", CaptureFormatWav(30.0))));
    Outcomes stopped;
    ASSERT_TRUE(player.Play(0, stopped.Handler()));
    ASSERT_TRUE(ProcessEventsUntil([&] { return player.PositionMilliseconds() > 0; }));
    player.Stop();
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_GT(player.PositionMilliseconds(), 0);
    EXPECT_TRUE(ProcessEventsUntil([&] { return !stopped.heard.empty(); }));
    EXPECT_EQ(stopped.heard, std::vector<PlayNotify>{PlayNotify::Aborted});

    // A seek on loaded media while stopped goes on from the new second.
    Outcomes closed;
    ASSERT_TRUE(player.Play(20, closed.Handler()));
    ASSERT_TRUE(ProcessEventsUntil([&] { return player.PositionMilliseconds() > 20000; }));
    EXPECT_TRUE(player.Close());
    EXPECT_TRUE(ProcessEventsUntil([&] { return !closed.heard.empty(); }));
    EXPECT_EQ(closed.heard, std::vector<PlayNotify>{PlayNotify::Aborted});
    EXPECT_EQ(stopped.heard.size(), 1U);
}

}  // namespace
}  // namespace marulo::platform
