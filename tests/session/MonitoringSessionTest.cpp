// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "acquisition/CaptureThread.h"
#include "acquisition/WavFileWriter.h"
#include "platform/FileSoundInput.h"
#include "platform/WavReader.h"
#include "platform/Zip.h"
#include "session/MonitoringSession.h"
#include "tests/support/TempFolder.h"

namespace marulo::session {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

template <typename Condition>
bool WaitUntil(Condition condition) {
    const auto end = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A work folder that is not the current one, and a sound file that a fast input plays.
class MonitoringSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_work.Path());
        acquisition::WavFileWriter input;
        ASSERT_TRUE(input.Open(m_input));
        ASSERT_TRUE(input.Append(std::vector<std::uint8_t>(16000 * 3, 140)));
    }

    std::vector<SessionReport> Reports() {
        std::lock_guard lock(m_mutex);
        return m_reports;
    }

    std::vector<std::string> Records() const {
        std::vector<std::string> names;
        std::error_code ignored;
        for (const auto& entry : fs::directory_iterator(m_work / "Data", ignored)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    testing::TempFolder m_current{"session-current", testing::TempFolder::Current::Enter};
    testing::TempFolder m_work{"session-work"};
    const fs::path m_input = m_current / "input.wav";
    acquisition::CaptureController m_controller{
        [this] { return std::make_unique<platform::FileSoundInput>(m_input, 1ms); },
        [] { return true; }};
    std::mutex m_mutex;
    std::vector<SessionReport> m_reports;
};

// The next run starts while the one before still closes: each record takes the mother of its own
// start, everything lies in the work folder, and the reporter hears both closes.
TEST_F(MonitoringSessionTest, RunsBackToBackAreStoredEachUnderTheMotherOfItsStart) {
    MonitoringSession session(m_work.Path(), m_controller);
    session.SetReporter([this](SessionReport report) {
        std::lock_guard lock(m_mutex);
        m_reports.push_back(std::move(report));
    });
    const auto start = std::chrono::system_clock::now();
    const auto recordAudio = [&] {
        return WaitUntil([&] {
            std::error_code ignored;
            return fs::file_size(m_work / "Data.wav", ignored) >= 44 + 2 * 1600 && !ignored;
        });
    };
    ASSERT_EQ(session.Start({"Anna", "2010-05-12", start}), StartProblem::None);
    EXPECT_EQ(session.Start({"Bella", "2011-01-01", start}), StartProblem::AlreadyRunning);
    ASSERT_TRUE(recordAudio());
    EXPECT_TRUE(fs::exists(m_work / kRunMarkerFile));
    session.Stop();
    ASSERT_EQ(session.Start({"Bella", "2011-01-01", start}), StartProblem::None);
    ASSERT_TRUE(recordAudio());
    session.Stop();
    session.WaitUntilClosed();

    std::vector<std::string> records = Records();
    std::sort(records.begin(), records.end());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(std::regex_match(records[0], std::regex(R"(Anna_20100512_\d{17}\.zip)")));
    EXPECT_TRUE(std::regex_match(records[1], std::regex(R"(Bella_20110101_\d{17}\.zip)")));
    for (const char* gone : {"Data.wav", "Data.hr", "Data.zip", "Data.run"}) {
        EXPECT_FALSE(fs::exists(m_work / gone)) << gone;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_current.Path()), fs::directory_iterator()), 1)
        << "only the input lies in the current folder";
    const std::vector<SessionReport> reports = Reports();
    ASSERT_EQ(reports.size(), 2u);
    for (const SessionReport& report : reports) {
        ASSERT_TRUE(std::holds_alternative<RunClosed>(report));
        const StoreOutcome& outcome = std::get<RunClosed>(report).outcome;
        EXPECT_EQ(outcome.result, StoreResult::Stored);
        EXPECT_EQ(outcome.path.parent_path(), m_work / "Data");
    }
}

// Holds the capture thread inside the first block of a run, as a disk that wakes slowly does.
class FirstBlockHold final : public acquisition::AcquisitionListener {
public:
    void OnCaptureOpen() override { m_blocks = 0; }
    void OnAudioBlock(std::span<const std::uint8_t>) override {
        if (++m_blocks == 1) {
            std::this_thread::sleep_for(2500ms);
            released = true;
        }
    }
    void OnHeartRate(std::int32_t) override {}
    void OnCaptureClose() override {}

    std::atomic<bool> released{false};

private:
    int m_blocks = 0;
};

// Held 2.5 s while the input plays a thousand blocks a second, the run loses what found no
// room: it is told once, goes on, and its record holds silence in the gap's place, in whole
// blocks, with a trace as long as the audio.
TEST_F(MonitoringSessionTest, SoundDroppedForWantOfRoomIsToldOnceAndMarkedInTheRecord) {
    constexpr std::size_t kBlock = 1600;
    {
        acquisition::WavFileWriter input;
        ASSERT_TRUE(input.Open(m_input));
        ASSERT_TRUE(input.Append(std::vector<std::uint8_t>(16000 * 400, 140)));
    }
    FirstBlockHold hold;
    m_controller.AddListener(hold);
    {
        MonitoringSession session(m_work.Path(), m_controller);
        session.SetReporter([this](SessionReport report) {
            std::lock_guard lock(m_mutex);
            m_reports.push_back(std::move(report));
        });
        ASSERT_EQ(session.Start({"Anna", "2010-05-12", std::chrono::system_clock::now()}),
                  StartProblem::None);
        ASSERT_TRUE(WaitUntil([&] { return hold.released.load(); }));
        ASSERT_TRUE(WaitUntil([&] {
            std::error_code ignored;
            return fs::file_size(m_work / "Data.wav", ignored) >= 44 + 3000 * kBlock && !ignored;
        }));
        session.Stop();
        session.WaitUntilClosed();
    }
    m_controller.RemoveListener(hold);

    const std::vector<SessionReport> reports = Reports();
    EXPECT_EQ(std::ranges::count_if(reports,
                                    [](const SessionReport& report) {
                                        return std::holds_alternative<AudioDropped>(report);
                                    }),
              1);
    const std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), 1u);
    platform::ZipReader archive;
    ASSERT_TRUE(archive.Open(m_work / "Data" / records[0]));
    for (const char* item : {"Data.wav", "Data.hr"}) {
        const std::optional<int> index = archive.FindItem(item);
        ASSERT_TRUE(index);
        ASSERT_TRUE(archive.ExtractItemToFile(*index, m_current / item));
    }
    std::string why;
    const std::optional<platform::WavData> wav = platform::ReadWavFile(m_current / "Data.wav", why);
    ASSERT_TRUE(wav) << why;
    const std::vector<std::uint8_t>& audio = wav->samples;
    ASSERT_EQ(audio.size() % kBlock, 0u);
    // Sound up to the room's end, the gap, then sound again; nothing else.
    const auto gap = std::ranges::find(audio, std::uint8_t{128});
    ASSERT_NE(gap, audio.end());
    EXPECT_EQ(static_cast<std::size_t>(gap - audio.begin()), acquisition::kQueuedBuffers * kBlock);
    const auto after = std::find(gap, audio.end(), std::uint8_t{140});
    ASSERT_NE(after, audio.end());
    EXPECT_EQ(static_cast<std::size_t>(after - gap) % kBlock, 0u);
    EXPECT_TRUE(std::all_of(after, audio.end(), [](std::uint8_t b) { return b == 140; }));
    EXPECT_EQ(fs::file_size(m_current / "Data.hr"), audio.size() / kBlock / 10 * 4);
}

TEST_F(MonitoringSessionTest, WhatAnEarlierProcessLeftIsRecoveredAndReportedAtStart) {
    const std::vector<std::uint8_t> audio(16000, 140);
    {
        acquisition::WavFileWriter wav;
        ASSERT_TRUE(wav.Open(m_work / "Data.wav"));
        ASSERT_TRUE(wav.Append(audio));
    }
    ASSERT_TRUE(WriteRunMarker(m_work / kRunMarkerFile,
                               {"Anna", "2010-05-12", std::chrono::system_clock::now()}));
    std::ofstream(m_work / "Data.wav.part") << "half unpacked";

    MonitoringSession session(m_work.Path(), m_controller);
    session.SetReporter([this](SessionReport report) {
        std::lock_guard lock(m_mutex);
        m_reports.push_back(std::move(report));
    });
    session.RecoverAtStart();
    const std::vector<SessionReport> reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_TRUE(std::holds_alternative<InterruptedRunRecovered>(reports[0]));
    EXPECT_EQ(std::get<InterruptedRunRecovered>(reports[0]).outcome.result, StoreResult::Stored);
    EXPECT_EQ(Records().size(), 1u);
    EXPECT_FALSE(fs::exists(m_work / "Data.wav.part"));
    EXPECT_FALSE(fs::exists(m_work / kRunMarkerFile));
}

}  // namespace
}  // namespace marulo::session
