// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/Recorder.h"
#include "platform/Zip.h"
#include "tests/acquisition/CaptureTestSupport.h"
#include "tests/acquisition/SyntheticAudio.h"
#include "tests/support/FileSizeLimit.h"

namespace marulo::acquisition {
namespace {

using testing::ReadBytes;
using testing::U32At;

namespace fs = std::filesystem;

class SaveCounter final : public RecordSaveListener {
public:
    void OnRecordSaved(const std::string& archivePath) override { saved.push_back(archivePath); }
    std::vector<std::string> saved;
};

class RecorderTest : public ::testing::Test {
protected:
    // Plays a run to the recorder as the capture thread does; rates from the offline analysis.
    void Record(const std::vector<std::uint8_t>& audio) {
        const std::vector<std::int32_t> rates = AnalyzeCaptureBytes(audio);
        m_recorder.OnCaptureOpen();
        for (std::size_t b = 0; b * kBlockBytes < audio.size(); ++b) {
            m_recorder.OnAudioBlock(std::span(audio).subspan(b * kBlockBytes, kBlockBytes));
            if ((b + 1) % kBlocksPerReport == 0) {
                m_recorder.OnHeartRate(rates.at(b / kBlocksPerReport));
            }
        }
        m_recorder.OnCaptureClose();
    }

    // Unpacks the working archive; gives its item names in order.
    std::vector<std::string> Unpack() {
        platform::ZipReader archive;
        EXPECT_TRUE(archive.Open(kWorkingArchive));
        std::vector<std::string> names;
        for (int i = 0; i < archive.ItemCount(); ++i) {
            names.push_back(archive.ItemName(i));
            EXPECT_TRUE(archive.ExtractItemToFile(i, "unpacked-" + names.back()));
        }
        return names;
    }

    testing::WorkingFolder m_folder;
    Recorder m_recorder{std::filesystem::path()};
};

TEST_F(RecorderTest, ARunIsPackedAsWavThenTraceAndTheWorkingFilesGo) {
    const std::vector<std::uint8_t> audio = testing::PulseTrain(43, 350);  // 35 blocks
    SaveCounter saves;
    m_recorder.AddRecordSaveListener(saves);
    Record(audio);

    EXPECT_FALSE(fs::exists(kWorkingWavFile));
    EXPECT_FALSE(fs::exists(kWorkingTraceFile));
    EXPECT_EQ(saves.saved, std::vector<std::string>{kWorkingArchive});
    ASSERT_EQ(Unpack(), (std::vector<std::string>{"Data.wav", "Data.hr"}));

    const auto wav = ReadBytes("unpacked-Data.wav");
    ASSERT_EQ(wav.size(), 44u + 56000u);
    EXPECT_EQ(U32At(wav, 4), 56036u);
    EXPECT_EQ(U32At(wav, 40), 56000u);
    EXPECT_TRUE(std::equal(audio.begin(), audio.end(), wav.begin() + 44));

    const auto trace = ReadBytes("unpacked-Data.hr");
    const auto rates = AnalyzeCaptureBytes(audio);
    ASSERT_EQ(rates.size(), 3u);
    ASSERT_EQ(trace.size(), 12u);
    for (std::size_t i = 0; i < rates.size(); ++i) {
        EXPECT_EQ(static_cast<std::int32_t>(U32At(trace, 4 * i)), rates[i]) << "second " << i;
    }
}

TEST_F(RecorderTest, ARunWithoutBlocksIsPackedAllTheSame) {
    Record({});
    ASSERT_EQ(Unpack(), (std::vector<std::string>{"Data.wav", "Data.hr"}));
    const auto wav = ReadBytes("unpacked-Data.wav");
    ASSERT_EQ(wav.size(), 44u);
    EXPECT_EQ(U32At(wav, 4), 36u);
    EXPECT_EQ(U32At(wav, 40), 0u);
    EXPECT_TRUE(ReadBytes("unpacked-Data.hr").empty());
}

TEST_F(RecorderTest, SaveListenersAreCalledPerEntryAndNotAfterRemoval) {
    SaveCounter twice;
    SaveCounter removed;
    m_recorder.AddRecordSaveListener(twice);
    m_recorder.AddRecordSaveListener(removed);
    m_recorder.AddRecordSaveListener(twice);
    m_recorder.AddRecordSaveListener(removed);
    m_recorder.RemoveRecordSaveListener(removed);
    Record({});
    EXPECT_EQ(twice.saved.size(), 2u);
    EXPECT_TRUE(removed.saved.empty());
}

TEST_F(RecorderTest, WhenTheArchiveCannotBeWrittenTheRecordingStaysInTheWorkingFiles) {
    fs::create_directories(fs::path(kWorkingArchive) / "blocker");
    SaveCounter saves;
    m_recorder.AddRecordSaveListener(saves);
    Record(testing::SilentCapture(100));
    EXPECT_EQ(ReadBytes(kWorkingWavFile).size(), 44u + 16000u);
    EXPECT_EQ(ReadBytes(kWorkingTraceFile).size(), 4u);
    EXPECT_FALSE(fs::is_regular_file(kWorkingArchive));
    EXPECT_EQ(saves.saved.size(), 1u);
}

TEST_F(RecorderTest, TheHeaderOnDiskKeepsUpWhileRecording) {
    struct Case {
        int blocks;
        std::uint32_t dataOnDisk;
    };
    const std::array<Case, 6> cases{
        {{0, 0}, {9, 0}, {10, 16000}, {11, 16000}, {25, 32000}, {30, 48000}}};
    const std::vector<std::uint8_t> block(kBlockBytes, 77);
    m_recorder.OnCaptureOpen();
    int appended = 0;
    for (const Case& c : cases) {
        for (; appended < c.blocks; ++appended) {
            m_recorder.OnAudioBlock(block);
        }
        // Never more than the file holds, at most a second behind.
        const auto wav = ReadBytes(kWorkingWavFile);
        ASSERT_GE(wav.size(), 44u + c.dataOnDisk);
        EXPECT_EQ(U32At(wav, 40), c.dataOnDisk) << c.blocks << " blocks";
        EXPECT_EQ(U32At(wav, 4), 36 + c.dataOnDisk) << c.blocks << " blocks";
    }
    m_recorder.OnCaptureClose();
}

class FailureCounter final : public RecordSaveListener {
public:
    void OnRecordSaved(const std::string&) override {}
    void OnRecordingFailed() override { ++failures; }
    int failures = 0;
};

TEST_F(RecorderTest, AWriteFailureIsReportedOnceAndTheRunKeepsWhatWasWritten) {
    FailureCounter counter;
    m_recorder.AddRecordSaveListener(counter);
    std::vector<std::uint8_t> audio(5 * 16000);
    for (std::size_t i = 0; i < audio.size(); ++i) {
        audio[i] = static_cast<std::uint8_t>(i % 251);
    }
    {
        const testing::FileSizeLimit limit(44 + 2 * 16000 + 100);
        m_recorder.OnCaptureOpen();
        for (std::size_t b = 0; b * kBlockBytes < audio.size(); ++b) {
            m_recorder.OnAudioBlock(std::span(audio).subspan(b * kBlockBytes, kBlockBytes));
        }
    }
    m_recorder.OnCaptureClose();
    EXPECT_EQ(counter.failures, 1);
    ASSERT_EQ(Unpack(), (std::vector<std::string>{"Data.wav", "Data.hr"}));
    const std::vector<std::uint8_t> wav = ReadBytes("unpacked-Data.wav");
    ASSERT_EQ(wav.size(), 44u + 2 * 16000 + 100);
    EXPECT_EQ(U32At(wav, 40), 2u * 16000 + 100);
    EXPECT_TRUE(std::equal(wav.begin() + 44, wav.end(), audio.begin()));
    m_recorder.RemoveRecordSaveListener(counter);
}

TEST_F(RecorderTest, WorkingFilesThatCannotBeCreatedAreReported) {
    FailureCounter counter;
    m_recorder.AddRecordSaveListener(counter);
    fs::create_directory(kWorkingWavFile);
    m_recorder.OnCaptureOpen();
    m_recorder.OnAudioBlock(std::vector<std::uint8_t>(kBlockBytes, 128));
    m_recorder.OnHeartRate(140);
    EXPECT_EQ(counter.failures, 1);
    m_recorder.OnCaptureClose();
    m_recorder.RemoveRecordSaveListener(counter);
}

}  // namespace
}  // namespace marulo::acquisition
