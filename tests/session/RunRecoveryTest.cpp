// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "acquisition/Recorder.h"
#include "archive/RecordFiles.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"
#include "recordformat/WavReader.h"
#include "session/RunRecovery.h"
#include "tests/support/TempFolder.h"

namespace marulo::session {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// 2010-02-09 09:05:03.007 local time, as an instant.
std::chrono::system_clock::time_point LocalInstant(int hour, int minute, int second, int ms) {
    std::tm local{};
    local.tm_year = 110;
    local.tm_mon = 1;
    local.tm_mday = 9;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local)) + milliseconds(ms);
}

// A working WAV as a run leaves it when cut short: the header counts claimedBytes, the file holds
// heldBytes of audio.
void WriteCutShortWav(std::uint32_t claimedBytes, std::size_t heldBytes) {
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(), claimedBytes);
    std::ofstream out("Data.wav", std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    const std::vector<char> audio(heldBytes, static_cast<char>(140));
    out.write(audio.data(), static_cast<std::streamsize>(audio.size()));
}

void WriteTraceBytes(std::size_t bytes) {
    std::ofstream out("Data.hr", std::ios::binary);
    for (std::size_t i = 0; i < bytes; ++i) {
        out.put(static_cast<char>(i % 4 == 0 ? 140 : 0));
    }
}

std::vector<std::string> RecordFolderFiles() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("Data", ignored)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

class RunRecoveryTest : public ::testing::Test {
protected:
    testing::TempFolder m_folder{"recovery", testing::TempFolder::Current::Enter};
    const RunProfile m_profile{"Mary_Ann", "2010-05-12", LocalInstant(9, 5, 3, 7)};
};

TEST_F(RunRecoveryTest, MarkerKeepsTheProfileOfTheRunsStart) {
    const RunProfile profiles[] = {
        m_profile,
        {"Åsa 李", "20100512", LocalInstant(23, 59, 59, 999)},
        {"", "", std::chrono::system_clock::time_point()},
    };
    for (const RunProfile& profile : profiles) {
        ASSERT_TRUE(WriteRunMarker(kRunMarkerFile, profile));
        EXPECT_EQ(ReadRunMarker(kRunMarkerFile), profile) << profile.name;
    }
    for (const char* broken : {"", "Name=Anna\nEDC=2010-05-12\n", "Name=A\nEDC=B\nStart=12x\n",
                               "EDC=B\nName=A\nStart=1\n"}) {
        std::ofstream(kRunMarkerFile, std::ios::binary) << broken;
        EXPECT_FALSE(ReadRunMarker(kRunMarkerFile)) << broken;
    }
}

TEST_F(RunRecoveryTest, AnInterruptedRunIsStoredAtTheTimeOfItsLastAudio) {
    struct Case {
        const char* why;
        std::uint32_t claimed;
        std::size_t held;
        std::size_t traceBytes;
        const char* stamp;  // start 09:05:03.007 plus the audio held
        std::size_t traceValues;
    };
    const Case cases[] = {
        {"header up to date", 56000, 56000, 12, "20100209090506507", 3},
        {"header a second behind", 40000, 56000, 12, "20100209090506507", 3},
        {"header never written", 0, 32001, 10, "20100209090505007", 2},
        {"exactly one block", 0, 1600, 0, "20100209090503107", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all("Data");
        WriteCutShortWav(c.claimed, c.held);
        WriteTraceBytes(c.traceBytes);
        ASSERT_TRUE(WriteRunMarker(kRunMarkerFile, m_profile));

        const RecoveryOutcome outcome = RecoverInterruptedRun({});
        ASSERT_EQ(outcome.result, RecoveryResult::Stored);
        ASSERT_EQ(outcome.store.result, StoreResult::Stored);
        const std::string expected = std::string("Mary_Ann_20100512_") + c.stamp + ".zip";
        EXPECT_EQ(outcome.store.path, fs::path("Data") / expected);
        EXPECT_EQ(RecordFolderFiles(), std::vector<std::string>{expected});
        for (const char* gone : {"Data.wav", "Data.hr", "Data.zip", kRunMarkerFile}) {
            EXPECT_FALSE(fs::exists(gone)) << gone;
        }

        const archive::RecordFiles files = archive::UnpackRecord(outcome.store.path, {}).files;
        std::string error;
        const auto wav = recordformat::ReadWavFile(files.audioPath, error);
        ASSERT_TRUE(wav) << error;
        EXPECT_EQ(wav->samples.size(), c.held - c.held % 2);
        EXPECT_EQ(fs::file_size(files.audioPath), 44 + c.held - c.held % 2);
        EXPECT_EQ(recordformat::ReadTrace(files.tracePath).size(), c.traceValues);
        fs::remove(files.audioPath);
        fs::remove(files.tracePath);
    }
}

TEST_F(RunRecoveryTest, RunsWithoutUsableAudioOrWithoutMarkerAreNotStored) {
    struct Case {
        const char* why;
        bool marker;
        std::size_t held;  // audio bytes after the header; none means no Data.wav
        RecoveryResult result;
        bool filesStay;
    };
    const Case cases[] = {
        {"under one block", true, 1599, RecoveryResult::Discarded, false},
        {"header only", true, 0, RecoveryResult::Discarded, false},
        {"review files, no marker", false, 56000, RecoveryResult::NothingLeft, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        WriteCutShortWav(0, c.held);
        WriteTraceBytes(4);
        if (c.marker) {
            ASSERT_TRUE(WriteRunMarker(kRunMarkerFile, m_profile));
        }
        EXPECT_EQ(RecoverInterruptedRun({}).result, c.result);
        EXPECT_EQ(fs::exists("Data.wav"), c.filesStay);
        EXPECT_EQ(fs::exists("Data.hr"), c.filesStay);
        EXPECT_FALSE(fs::exists(kRunMarkerFile));
        EXPECT_TRUE(RecordFolderFiles().empty());
    }
}

TEST_F(RunRecoveryTest, AnArchiveCutShortBeforeItsMoveIsStoredAndAFailedStoreIsKeptAside) {
    {
        // Named from the run's start and its three seconds of audio, not the time of recovery.
        WriteCutShortWav(48000, 48000);
        WriteTraceBytes(12);
        ASSERT_TRUE(acquisition::PackRunFiles("Data.zip", "Data.wav", "Data.hr"));
        ASSERT_TRUE(WriteRunMarker(kRunMarkerFile, m_profile));
        const RecoveryOutcome outcome = RecoverInterruptedRun({});
        EXPECT_EQ(outcome.result, RecoveryResult::Stored);
        EXPECT_EQ(outcome.store.result, StoreResult::Stored);
        EXPECT_EQ(RecordFolderFiles(),
                  std::vector<std::string>{"Mary_Ann_20100512_20100209090506007.zip"});
        EXPECT_FALSE(fs::exists(kRunMarkerFile));
    }
    fs::remove_all("Data");
    std::ofstream("Data") << "in the way";
    WriteCutShortWav(0, 16000);
    ASSERT_TRUE(WriteRunMarker(kRunMarkerFile, m_profile));
    const RecoveryOutcome outcome = RecoverInterruptedRun({});
    EXPECT_EQ(outcome.result, RecoveryResult::Stored);
    EXPECT_EQ(outcome.store.result, StoreResult::KeptAside);
    EXPECT_EQ(outcome.store.path, fs::path("Data-unsaved-20100209090504007.zip"));
    EXPECT_TRUE(fs::exists(outcome.store.path));
    EXPECT_FALSE(fs::exists("Data.wav"));
    EXPECT_FALSE(fs::exists(kRunMarkerFile));
    EXPECT_TRUE(fs::exists("Data-unsaved-20100209090504007.run"));

    // While the record folder is still blocked the run stays aside; then it is stored once.
    EXPECT_TRUE(StoreKeptAsideRuns(m_folder).empty());
    fs::remove("Data");
    const std::vector<fs::path> stored = StoreKeptAsideRuns(m_folder);
    EXPECT_EQ(stored,
              std::vector<fs::path>{m_folder / "Data/Mary_Ann_20100512_20100209090504007.zip"});
    EXPECT_EQ(RecordFolderFiles().size(), 1u);
    EXPECT_FALSE(fs::exists("Data-unsaved-20100209090504007.zip"));
    EXPECT_FALSE(fs::exists("Data-unsaved-20100209090504007.run"));
    EXPECT_TRUE(StoreKeptAsideRuns(m_folder).empty());
}

// What a kill leaves, as steps on a run's files: "pack" packs them, "store" copies the archive into
// the record folder, "-F" removes F, "F>G" renames F to G, "F=G" copies F to G; "K" is the stem
// the run is kept aside under.
void TakeSteps(const std::string& steps) {
    std::istringstream words(steps);
    for (std::string step; words >> step;) {
        for (std::size_t at = 0; (at = step.find('K')) != std::string::npos;) {
            step.replace(at, 1, "Data-unsaved-20100209090513007");
        }
        const auto split = step.find_first_of(">=");
        if (step == "pack") {
            ASSERT_TRUE(acquisition::PackRunFiles("Data.zip", "Data.wav", "Data.hr"));
        } else if (step == "store") {
            fs::create_directory("Data");
            fs::copy_file("Data.zip", "Data/Mary_Ann_20100512_20100209090513007.zip");
        } else if (step.starts_with('-')) {
            fs::remove(step.substr(1));
        } else if (step[split] == '>') {
            fs::rename(step.substr(0, split), step.substr(split + 1));
        } else {
            fs::copy_file(step.substr(0, split), step.substr(split + 1));
        }
    }
}

// Whatever state a kill left a run in, while it ran, was packed, kept aside or stored, the next
// start stores it exactly once, as a record that opens, and leaves nothing of it behind.
TEST_F(RunRecoveryTest, AKillAtAnyStepLeavesOneRecordThatOpens) {
    struct Case {
        const char* why;
        const char* steps;
        archive::RecordProblem opens = archive::RecordProblem::None;
        std::size_t traceBytes = 40;  // of the ten seconds of audio
    };
    const Case cases[] = {
        {"while recording", ""},
        {"marker kept aside", "Data.run>K.run"},
        {"marker and audio kept aside", "Data.run>K.run Data.wav>K.wav"},
        {"all kept aside", "Data.run>K.run Data.wav>K.wav Data.hr>K.hr"},
        {"audio kept aside before its marker", "Data.wav>K.wav"},
        {"audio and trace kept aside before their marker", "Data.wav>K.wav Data.hr>K.hr"},
        {"archive's marker kept aside", "pack Data.run>K.run"},
        {"archive kept aside before its marker", "pack Data.zip>K.zip"},
        {"packing a kept run", "Data.run>K.run Data.wav>K.wav Data.hr>K.hr K.wav=K.zip.Xy12ab"},
        {"packed a kept run, its trace not yet removed",
         "Data.hr=trace pack Data.run>K.run Data.zip>K.zip trace>K.hr"},
        {"packed, its trace not yet removed", "Data.hr=trace pack trace>Data.hr"},
        {"copied into the record folder, the source not yet removed", "pack store"},
        {"a kept run copied into the record folder, the source not yet removed",
         "pack store Data.run>K.run Data.zip>K.zip"},
        {"trace missing", "-Data.hr"},
        {"trace cut short", "", archive::RecordProblem::None, 4},
        {"a kept trace without audio", "Data.run>K.run Data.hr>K.hr -Data.wav",
         archive::RecordProblem::NoAudio},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        for (const auto& entry : fs::directory_iterator(m_folder.Path())) {
            fs::remove_all(entry.path());
        }
        WriteCutShortWav(0, 160000);
        WriteTraceBytes(c.traceBytes);
        ASSERT_TRUE(WriteRunMarker(kRunMarkerFile, m_profile));
        TakeSteps(c.steps);

        RemoveLeftoversOfKilledWork(m_folder);
        RecoverInterruptedRun(m_folder);
        StoreKeptAsideRuns(m_folder);

        const std::vector<std::string> records = RecordFolderFiles();
        EXPECT_EQ(records.size(), 1u);
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(m_folder.Path())) {
            left.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(left, std::vector<std::string>{"Data"});
        if (records.empty()) {
            continue;
        }
        fs::create_directory("check");
        const archive::LoadedRecord loaded =
            archive::UnpackRecord(fs::path("Data") / records.front(), "check");
        EXPECT_EQ(loaded.problem, c.opens);
        if (loaded.problem == archive::RecordProblem::None) {
            EXPECT_EQ(fs::file_size(loaded.files.audioPath), 44u + 160000u);
            EXPECT_GE(loaded.trace.size(), 9u);
        }
    }
}

// What work killed half-way leaves is removed at start; what belongs to a run or a review stays.
TEST_F(RunRecoveryTest, LeftoversOfKilledWorkAreRemovedAndNothingElse) {
    struct Case {
        const char* why;
        std::vector<const char*> files;
        std::vector<const char*> staying;
    };
    const Case cases[] = {
        {"unpacking killed", {"Data.wav.part", "Data.hr.part", "Data.hr"}, {}},
        {"packing killed", {"Data.wav", "Data.hr", "Data.zip.a1B2c3"}, {"Data.wav", "Data.hr"}},
        {"copy into Data killed", {"Data/Anna_20100512_20100209090503007.zip.storing"}, {}},
        {"a run's trace before its audio", {"Data.hr", "Data.run"}, {"Data.hr", "Data.run"}},
        {"other files",
         {"Data.zip", "Data.zip.old", "Data/Anna_20100512_x.zip"},
         {"Data.zip", "Data.zip.old", "Data/Anna_20100512_x.zip"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::create_directory("Data");
        for (const char* file : c.files) {
            std::ofstream(file) << "left";
        }
        RemoveLeftoversOfKilledWork(m_folder);
        for (const char* file : c.files) {
            const bool stays = std::find(c.staying.begin(), c.staying.end(),
                                         std::string_view(file)) != c.staying.end();
            EXPECT_EQ(fs::exists(file), stays) << file;
            fs::remove(file);
        }
    }
}

}  // namespace
}  // namespace marulo::session
