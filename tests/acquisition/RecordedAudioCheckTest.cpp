// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/RecordedAudioCheck.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"
#include "tests/support/TempFolder.h"
#include "tools/synth/SyntheticRecording.h"

namespace marulo::acquisition {
namespace {

namespace fs = std::filesystem;

void WriteWav(const fs::path& path, const std::vector<std::uint8_t>& capture) {
    const auto header =
        recordformat::WavHeader(CaptureFormat(), static_cast<std::uint32_t>(capture.size()));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    out.write(reinterpret_cast<const char*>(capture.data()),
              static_cast<std::streamsize>(capture.size()));
}

// What the check of the same bytes fed straight in gives.
std::vector<ratecheck::SecondCheck> DirectChecks(const std::vector<std::uint8_t>& capture,
                                                 const std::vector<std::int32_t>& trace) {
    std::vector<ratecheck::SecondCheck> checks;
    ratecheck::RateCheck check(
        [&checks](std::int32_t, const ratecheck::SecondCheck& c) { checks.push_back(c); });
    for (const std::int32_t shown : trace) {
        check.FeedShown(shown);
    }
    check.FeedAudio(capture);
    return checks;
}

bool SameChecks(const std::vector<ratecheck::SecondCheck>& a,
                const std::vector<ratecheck::SecondCheck>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.quality == y.quality && x.checkedBpm == y.checkedBpm;
    });
}

class RecordedAudioCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_capture = synth::SynthesizeCaptureBytes({10, 140, 150, 8});
        m_trace = AnalyzeCaptureBytes(m_capture);
        WriteWav(m_folder.Path() / "Data.wav", m_capture);
    }

    testing::TempFolder m_folder{"recorded-audio-check"};
    std::vector<std::uint8_t> m_capture;
    std::vector<std::int32_t> m_trace;
};

// A file, an archive item and the bytes fed straight in give the same checks; a trace up to two
// seconds longer than the audio is checked as far as the audio goes, a longer one not at all.
TEST_F(RecordedAudioCheckTest, FileAndArchiveGiveTheChecksOfTheAudioTheyHold) {
    std::string error;
    const auto fromFile = CheckRecordedAudio(m_folder.Path() / "Data.wav", m_trace, error);
    ASSERT_TRUE(fromFile) << error;
    ASSERT_EQ(fromFile->size(), m_trace.size());
    EXPECT_TRUE(SameChecks(*fromFile, DirectChecks(m_capture, m_trace)));

    platform::ZipWriter zip;
    ASSERT_TRUE(zip.Create(m_folder.Path() / "record.zip"));
    ASSERT_TRUE(zip.AddFile("Data.wav", m_folder.Path() / "Data.wav"));
    ASSERT_TRUE(zip.Close());
    const auto fromArchive = CheckArchivedAudio(m_folder.Path() / "record.zip", m_trace, error);
    ASSERT_TRUE(fromArchive) << error;
    EXPECT_TRUE(SameChecks(*fromArchive, *fromFile));

    const struct {
        std::size_t extraSeconds;
        bool checked;
    } longer[] = {{1, true}, {2, true}, {3, false}, {600, false}};
    for (const auto& c : longer) {
        std::vector<std::int32_t> trace = m_trace;
        trace.resize(trace.size() + c.extraSeconds, 140);
        const auto checks = CheckRecordedAudio(m_folder.Path() / "Data.wav", trace, error);
        EXPECT_EQ(checks.has_value(), c.checked) << c.extraSeconds;
        if (checks) {
            EXPECT_EQ(checks->size(), m_trace.size());
        }
    }
}

TEST_F(RecordedAudioCheckTest, NothingForAudioThatCannotBeReadOrAStoppedCheck) {
    std::ofstream(m_folder.Path() / "text.wav") << "not a wave file at all";
    const std::atomic<bool> stopped{true};
    const struct {
        const char* what;
        fs::path file;
        const std::atomic<bool>* stop;
    } cases[] = {
        {"missing", m_folder.Path() / "missing.wav", nullptr},
        {"not a WAV", m_folder.Path() / "text.wav", nullptr},
        {"stopped", m_folder.Path() / "Data.wav", &stopped},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(CheckRecordedAudio(c.file, m_trace, error, c.stop)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    std::string error;
    EXPECT_FALSE(CheckArchivedAudio(m_folder.Path() / "missing.zip", m_trace, error));
}

}  // namespace
}  // namespace marulo::acquisition
