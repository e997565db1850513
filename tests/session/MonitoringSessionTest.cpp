// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

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
#include "archive/RecordEvents.h"
#include "platform/FileSoundInput.h"
#include "recordformat/WavFileWriter.h"
#include "session/MonitoringSession.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

namespace marulo::session {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using testing::WaitUntil;

// A work folder that is not the current one, and a sound file that a fast input plays.
class MonitoringSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_work.Path());
        recordformat::WavFileWriter input;
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
    ASSERT_TRUE(WaitUntil([&] { return m_controller.IsCapturing(); }));
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

// A close that goes on until let go, as the packing of a long run does; a watchdog lets it go
// after a while, so a caller that waits for the close is caught instead of hanging.
class SlowClose final : public acquisition::AcquisitionListener {
public:
    ~SlowClose() {
        LetGo();
        if (m_watchdog.joinable()) {
            m_watchdog.join();
        }
    }
    void OnCaptureOpen() override {}
    void OnAudioBlock(std::span<const std::uint8_t>) override {}
    void OnHeartRate(std::int32_t) override {}
    void OnCaptureClose() override {
        if (m_let) {
            return;
        }
        m_closing = true;
        m_watchdog = std::thread([this] {
            const auto end = std::chrono::steady_clock::now() + 5s;
            while (!m_let && std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(2ms);
            }
            m_letByWatchdog = !m_let;
            LetGo();
        });
        m_let.wait(false);
    }
    void LetGo() {
        m_let = true;
        m_let.notify_all();
    }
    bool Closing() const { return m_closing; }
    bool LetByWatchdog() const { return m_letByWatchdog; }

private:
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_let{false};
    std::atomic<bool> m_letByWatchdog{false};
    std::thread m_watchdog;
};

// A start while the last run still stores its record returns at once; the newest start opens once
// the working files are free and names the next record.
TEST_F(MonitoringSessionTest, AStartWhileTheLastRunClosesNeverWaitsForIt) {
    SlowClose slowClose;
    MonitoringSession session(m_work.Path(), m_controller);
    m_controller.AddListener(slowClose);
    const auto start = std::chrono::system_clock::now();
    const auto recordAudio = [&] {
        return WaitUntil([&] {
            std::error_code ignored;
            return fs::file_size(m_work / "Data.wav", ignored) >= 44 + 2 * 1600 && !ignored;
        });
    };
    ASSERT_EQ(session.Start({"Anna", "2010-05-12", start}), StartProblem::None);
    EXPECT_EQ(session.WorkingFiles().Holder(), WorkingFilesHolder::Run);
    ASSERT_TRUE(recordAudio());
    session.Stop();
    ASSERT_TRUE(WaitUntil([&] { return slowClose.Closing(); }));
    EXPECT_EQ(session.WorkingFiles().Holder(), WorkingFilesHolder::ClosingRun);

    ASSERT_EQ(session.Start({"Bella", "2011-01-01", start}), StartProblem::None);
    EXPECT_FALSE(slowClose.LetByWatchdog()) << "the start waited for the closing run";
    EXPECT_TRUE(session.IsRunning());
    EXPECT_EQ(session.Start({"Dora", "2011-01-01", start}), StartProblem::AlreadyRunning);
    session.Stop();
    EXPECT_FALSE(session.IsRunning());
    ASSERT_EQ(session.Start({"Carla", "2012-02-02", start}), StartProblem::None);
    EXPECT_TRUE(session.HoldsWorkingFiles());
    EXPECT_FALSE(m_controller.IsCapturing());

    slowClose.LetGo();
    ASSERT_TRUE(WaitUntil([&] { return m_controller.IsCapturing(); }));
    ASSERT_TRUE(recordAudio());
    session.Stop();
    session.WaitUntilClosed();
    EXPECT_TRUE(session.WorkingFiles().IsFree());
    m_controller.RemoveListener(slowClose);

    std::vector<std::string> records = Records();
    std::sort(records.begin(), records.end());
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].starts_with("Anna_20100512_")) << records[0];
    EXPECT_TRUE(records[1].starts_with("Carla_20120202_")) << records[1];
}

// A start that waited for the working files and then cannot make them is told, and leaves the
// session idle with the files free.
TEST_F(MonitoringSessionTest, AWaitingStartThatCannotMakeItsFilesIsReported) {
    SlowClose slowClose;
    MonitoringSession session(m_work.Path(), m_controller);
    session.SetReporter([this](SessionReport report) {
        std::lock_guard lock(m_mutex);
        m_reports.push_back(std::move(report));
    });
    m_controller.AddListener(slowClose);
    const auto start = std::chrono::system_clock::now();
    ASSERT_EQ(session.Start({"Anna", "2010-05-12", start}), StartProblem::None);
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ignored;
        return fs::file_size(m_work / "Data.wav", ignored) >= 44 + 1600 && !ignored;
    }));
    session.Stop();
    ASSERT_TRUE(WaitUntil([&] { return slowClose.Closing(); }));
    fs::create_directory(m_work / "Data.hr");
    ASSERT_EQ(session.Start({"Bella", "2011-01-01", start}), StartProblem::None);
    slowClose.LetGo();
    ASSERT_TRUE(WaitUntil([&] { return !session.IsRunning(); }));
    session.WaitUntilClosed();
    m_controller.RemoveListener(slowClose);
    EXPECT_TRUE(session.WorkingFiles().IsFree());
    EXPECT_FALSE(m_controller.AnyThreadRunning());
    const std::vector<SessionReport> reports = Reports();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(std::holds_alternative<RunClosed>(reports[0]));
    ASSERT_TRUE(std::holds_alternative<QueuedStartFailed>(reports[1]));
    EXPECT_EQ(std::get<QueuedStartFailed>(reports[1]).problem, StartProblem::WorkingFilesFailed);
}

// A mark counts only while a run is open, names a second of that run, and is stored in its record;
// one asked for after the stop, while the run still stores, belongs to no run.
TEST_F(MonitoringSessionTest, MarksAreTakenOnlyWhileARunIsOpenAndLandInItsRecord) {
    recordformat::WavFileWriter input;
    ASSERT_TRUE(input.Open(m_input));
    ASSERT_TRUE(input.Append(std::vector<std::uint8_t>(16000 * 600, 140)));
    input.Close();
    MonitoringSession session(m_work.Path(), m_controller);
    EXPECT_FALSE(session.Mark());
    ASSERT_EQ(session.Start({"Anna", "2010-05-12", std::chrono::system_clock::now()}),
              StartProblem::None);
    const auto recorded = [&](std::uintmax_t seconds) {
        return WaitUntil([&] {
            std::error_code ignored;
            return fs::file_size(m_work / "Data.hr", ignored) >= seconds * 4 && !ignored;
        });
    };
    ASSERT_TRUE(recorded(3));
    const std::optional<MarkTaken> first = session.Mark();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->count, 1u);
    ASSERT_TRUE(recorded(first->second + 3));
    const std::optional<MarkTaken> second = session.Mark();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->count, 2u);
    EXPECT_GT(second->second, first->second);
    // The marked second is whole before the stop.
    ASSERT_TRUE(recorded(second->second + 2));
    session.Stop();
    EXPECT_FALSE(session.Mark());
    session.WaitUntilClosed();
    const std::vector<std::string> records = Records();
    ASSERT_EQ(records.size(), 1u);
    archive::RecordEvents events;
    ASSERT_EQ(archive::ReadRecordEvents(m_work / "Data" / records[0], events),
              archive::EventsProblem::None);
    EXPECT_EQ(events.marks, (std::vector<std::uint32_t>{first->second, second->second}));
}

TEST_F(MonitoringSessionTest, WhatAnEarlierProcessLeftIsRecoveredAndReportedAtStart) {
    const std::vector<std::uint8_t> audio(16000, 140);
    {
        recordformat::WavFileWriter wav;
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
