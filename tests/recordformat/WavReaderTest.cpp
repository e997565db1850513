// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordformat/WavReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/recordformat/WavBytes.h"

namespace marulo::recordformat {
namespace {

using namespace marulo::testing;

class WavReaderTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(m_path); }

    std::optional<WavData> Read(const Bytes& bytes) {
        WriteFile(m_path, bytes);
        m_error.clear();
        return ReadWavFile(m_path, m_error);
    }

    std::filesystem::path m_path = std::filesystem::temp_directory_path() /
                                   ("marulo-wav-reader-" + std::to_string(::getpid()) + ".wav");
    std::string m_error;
};

TEST_F(WavReaderTest, ReadsPcmPastOtherChunksAndKeepsWholeFramesOfCutData) {
    // An odd-sized chunk is padded to an even length before the next one.
    auto wav = Read(Wav({Chunk("LIST", {1, 2, 3}), FormatChunk(1, 2, 8000, 8),
                         Chunk("data", {10, 20, 30, 40}), Chunk("junk", {9, 9})}));
    ASSERT_TRUE(wav) << m_error;
    EXPECT_EQ(wav->format, (WaveFormat{1, 2, 8000, 16000, 2, 8}));
    EXPECT_EQ(wav->samples, (Bytes{10, 20, 30, 40}));

    // 1000 bytes declared, six present: one whole frame of two 16-bit samples.
    wav = Read(Wav({FormatChunk(1, 2, 8000, 16), Chunk("data", {1, 2, 3, 4, 5, 6}, 1000)}));
    ASSERT_TRUE(wav) << m_error;
    EXPECT_EQ(wav->samples, (Bytes{1, 2, 3, 4}));

    // The extensible header with the PCM sub-format.
    Bytes extensible{0xFE, 0xFF, 1, 0,  0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2,
                     0,    16,   0, 22, 0,    16,   0, 3, 0,    0,    0, 1, 0};
    extensible.resize(40, 0);
    wav = Read(Wav({Chunk("fmt ", extensible), Chunk("data", {1, 2})}));
    ASSERT_TRUE(wav) << m_error;
    EXPECT_EQ(wav->format, (WaveFormat{1, 1, 44100, 88200, 2, 16}));
}

TEST_F(WavReaderTest, RefusesWhatIsNotReadablePcmWithOneLine) {
    const Bytes data{1, 2, 3, 4};
    const Bytes misaligned{1, 0, 2, 0, 0x40, 0x1F, 0, 0, 0x80, 0x3E, 0, 0, 1, 0, 8, 0};
    const std::vector<std::pair<Bytes, std::string>> cases{
        {{}, "not a RIFF WAVE file"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "not a RIFF WAVE file"},
        {Wav({Chunk("data", data)}), "data chunk before the format chunk"},
        {Wav({FormatChunk(1, 2, 8000, 8)}), "no data chunk"},
        {Wav({Chunk("LIST", data)}), "no format chunk"},
        {Wav({FormatChunk(3, 1, 8000, 32), Chunk("data", data)}), "not PCM"},
        {Wav({FormatChunk(1, 1, 8000, 24), Chunk("data", data)}), "24 bits"},
        {Wav({FormatChunk(1, 0, 8000, 8), Chunk("data", data)}), "no channels"},
        {Wav({FormatChunk(1, 1, 0, 8), Chunk("data", data)}), "no sample rate"},
        {Wav({Chunk("fmt ", misaligned), Chunk("data", data)}), "block align"},
        {Wav({Chunk("fmt ", {1, 0, 1, 0}), Chunk("data", data)}), "too short"},
        {Wav({Chunk("fmt ", {1, 0}, 16)}), "truncated"},
    };
    for (const auto& [bytes, why] : cases) {
        EXPECT_FALSE(Read(bytes)) << why;
        EXPECT_NE(m_error.find(m_path.string() + ": "), std::string::npos) << m_error;
        EXPECT_NE(m_error.find(why), std::string::npos) << m_error;
        EXPECT_EQ(m_error.find('\n'), std::string::npos);
    }
    EXPECT_FALSE(ReadWavFile(m_path.string() + ".missing", m_error));
    EXPECT_NE(m_error.find("cannot open"), std::string::npos) << m_error;
}

}  // namespace
}  // namespace marulo::recordformat
