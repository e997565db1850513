// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built marulo-analyze program on files made here.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include <zip.h>

#include "tests/acquisition/SyntheticAudio.h"
#include "tests/recordformat/WavBytes.h"
#include "tests/tools/AnalyzeGolden.h"

namespace marulo::testing {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Strings are joined by appending: GCC 12 at -O3 raises a false restrict warning on chains of
// operator+ that start with a literal.
std::string Joined(std::initializer_list<std::string_view> parts) {
    std::string joined;
    for (const std::string_view part : parts) {
        joined.append(part);
    }
    return joined;
}

Bytes fmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    return FormatChunk(1, channels, rate, bits);
}

class AnalyzeTool : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(m_dir); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        WriteFile(m_dir / name, bytes);
        return Joined({"'", (m_dir / name).string(), "'"});
    }

    // Runs the tool with args; with pipedFile, that file comes through a pipe on standard input.
    Outcome Run(const std::string& args, const std::string& pipedFile = {}) {
        const auto err = m_dir / "stderr";
        const std::string command =
            Joined({pipedFile.empty() ? "" : Joined({"cat ", pipedFile, " | "}), "'",
                    MARULO_ANALYZE, "' ", args, " 2>'", err.string(), "'"});
        Outcome outcome;
        FILE* pipe = ::popen(command.c_str(), "r");
        char buffer[4096];
        for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            outcome.out.append(buffer, n);
        }
        const int status = ::pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ostringstream text;
        text << std::ifstream(err).rdbuf();
        outcome.err = text.str();
        return outcome;
    }

    std::filesystem::path m_dir = std::filesystem::temp_directory_path() /
                                  ("marulo-analyze-test-" + std::to_string(::getpid()));
};

const std::string kRates = "0\n200\n200\n200\n200\n200\n200\n200\n200\n200\n";

TEST_F(AnalyzeTool, PrintsReportedRatesOrEveryFrame) {
    auto audio = PulseTrain(30, 1000);
    audio.resize(audio.size() + 800, 128);  // half a block more, ignored
    const auto path = Write("beat.wav", Wav({FormatChunk(1, 2, 8000, 8), Chunk("data", audio)}));
    const Outcome rates = Run(path);
    EXPECT_EQ(rates.status, 0) << rates.err;
    EXPECT_EQ(rates.out, kRates);
    EXPECT_EQ(rates.err, "");

    const Outcome frames = Run(Joined({"--frames ", path}));
    EXPECT_EQ(frames.status, 0);
    EXPECT_EQ(std::count(frames.out.begin(), frames.out.end(), '\n'), 1000);
    EXPECT_TRUE(frames.out.starts_with("0\n0\n"));
    EXPECT_TRUE(frames.out.ends_with("\n200\n"));
}

// Each row's shown rate is the plain output's line; a steady 200 bpm beat is believed and checked.
TEST_F(AnalyzeTool, CheckPutsAQualityAndACheckedRateBesideEveryShownRate) {
    const auto path =
        Write("beat.wav", Wav({FormatChunk(1, 2, 8000, 8), Chunk("data", PulseTrain(30, 1000))}));
    const Outcome check = Run(Joined({"--check ", path}));
    ASSERT_EQ(check.status, 0) << check.err;
    std::istringstream rows(check.out);
    std::istringstream plain(Run(path).out);
    std::string row;
    std::getline(rows, row);
    EXPECT_EQ(row, "second,shown,quality,checked");
    int second = 0;
    for (std::string shown; std::getline(plain, shown); ++second) {
        ASSERT_TRUE(std::getline(rows, row)) << second;
        const std::string prefix = Joined({std::to_string(second), ",", shown, ","});
        ASSERT_TRUE(row.starts_with(prefix)) << row;
        const std::string rest = row.substr(prefix.size());
        const std::string word = rest.substr(0, rest.find(','));
        EXPECT_TRUE(word == "good" || word == "half" || word == "double" || word == "maternal" ||
                    word == "none" || word == "unsure")
            << row;
        if (second >= 5) {
            EXPECT_EQ(rest, "good,200") << row;
        }
    }
    EXPECT_EQ(second, 10);
    EXPECT_FALSE(std::getline(rows, row)) << row;

    const auto shortPath =
        Write("short.wav", Wav({FormatChunk(1, 2, 8000, 8), Chunk("data", PulseTrain(30, 50))}));
    const Outcome tooShort = Run(Joined({"--check ", shortPath}));
    EXPECT_EQ(tooShort.status, 3);
    EXPECT_EQ(tooShort.out, "second,shown,quality,checked\n");
    EXPECT_EQ(Run(Joined({"--check --frames ", path})).status, 2);
}

TEST_F(AnalyzeTool, ConvertsOtherFormatsFirst) {
    // The same beat as 16-bit mono at 16000 Hz: each sample frame twice.
    const auto capture = PulseTrain(30, 1000);
    Bytes wide;
    for (std::size_t i = 0; i < capture.size(); i += 2) {
        wide.insert(wide.end(), {0, static_cast<std::uint8_t>(capture[i] ^ 0x80), 0,
                                 static_cast<std::uint8_t>(capture[i] ^ 0x80)});
    }
    const Outcome rates =
        Run(Write("wide.wav", Wav({FormatChunk(1, 1, 16000, 16), Chunk("data", wide)})));
    EXPECT_EQ(rates.status, 0) << rates.err;
    EXPECT_EQ(rates.out, kRates);
}

TEST_F(AnalyzeTool, RefusesBadFilesAndUsageWithStatusTwo) {
    const auto garbage = Write("garbage.wav", Bytes(5000, 'x'));
    const auto floats = Write("float.wav", Wav({FormatChunk(3, 1, 8000, 32), Chunk("data", {})}));
    for (const std::string& args : {garbage, Joined({"--frames ", garbage}), floats,
                                    Joined({Write("empty.wav", {}), ".missing"})}) {
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.status, 2) << args;
        EXPECT_EQ(outcome.out, "") << args;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
    }
    for (const std::string args : {"", "--frames", "--bogus x.wav", "a.wav b.wav"}) {
        const Outcome outcome = Run(args);
        EXPECT_EQ(outcome.status, 2) << args;
        EXPECT_NE(outcome.err.find("usage:"), std::string::npos) << args;
    }
    const Outcome help = Run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--frames"), std::string::npos);
}

TEST_F(AnalyzeTool, ReadsARecordArchiveAndPipes) {
    const Bytes wav =
        Wav({fmt(1, 11025, 16), Chunk("data", BeatingSamples(1, 11025, 16, 11025 * 12, 9))});
    const auto path = Write("beat.wav", wav);
    const Outcome direct = Run(path);
    ASSERT_EQ(direct.status, 0) << direct.err;
    ASSERT_EQ(std::count(direct.out.begin(), direct.out.end(), '\n'), 12);

    // Which item counts is the archive reader's concern; here the tool must find it.
    const auto archive = m_dir / "record.zip";
    int error = 0;
    zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    zip_file_add(zip, "Data.hr", zip_source_buffer(zip, wav.data(), 4, 0), 0);
    zip_file_add(zip, "Data.wav", zip_source_buffer(zip, wav.data(), wav.size(), 0), 0);
    ASSERT_EQ(zip_close(zip), 0);
    const std::string quotedArchive = Joined({"'", archive.string(), "'"});
    for (const Outcome& outcome : {Run(quotedArchive), Run("/dev/stdin", path)}) {
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.out, direct.out);
    }
    EXPECT_EQ(Run(Joined({"--frames ", quotedArchive})).out, Run(Joined({"--frames ", path})).out);

    zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    zip_file_add(zip, "sub/Data.wav", zip_source_buffer(zip, wav.data(), wav.size(), 0), 0);
    ASSERT_EQ(zip_close(zip), 0);
    const Outcome without = Run(quotedArchive);
    EXPECT_EQ(without.status, 2);
    EXPECT_EQ(without.err,
              Joined({"marulo-analyze: ", archive.string(), ": no Data.wav in the archive\n"}));
}

TEST_F(AnalyzeTool, RefusesAbsurdFormatsAndSaysWhenAudioIsTooShort) {
    const Bytes second(8000, 128);
    Bytes badAlign = FormatChunk(1, 1, 8000, 8);
    badAlign[8 + 12] = 3;
    for (const auto& [name, wav, why] : std::vector<std::tuple<std::string, Bytes, std::string>>{
             {"1hz", Wav({fmt(1, 1, 8), Chunk("data", second)}), "sample rate of 1 Hz"},
             {"999hz", Wav({fmt(1, 999, 8), Chunk("data", second)}), "sample rate of 999 Hz"},
             {"fast", Wav({fmt(1, 384001, 16), Chunk("data", second)}), "384001 Hz"},
             {"nochannels", Wav({fmt(0, 8000, 8), Chunk("data", second)}), "no channels"},
             {"nobits", Wav({fmt(1, 8000, 0), Chunk("data", second)}), "0 bits"},
             {"align", Wav({badAlign, Chunk("data", second)}), "block align 3"},
         }) {
        for (const std::string_view frames : {"", "--frames "}) {
            const Outcome outcome = Run(Joined({frames, Write(Joined({name, ".wav"}), wav)}));
            EXPECT_EQ(outcome.status, 2) << name;
            EXPECT_EQ(outcome.out, "") << name;
            EXPECT_NE(outcome.err.find(why), std::string::npos) << outcome.err;
            EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        }
    }

    // Status 3 and one line whenever nothing can be printed; any whole block gives frames.
    for (const auto& [bytes, rateStatus, frameLines] :
         std::vector<std::tuple<std::size_t, int, std::size_t>>{
             {0, 3, 0}, {1599, 3, 0}, {1600, 3, 10}, {15999, 3, 90}, {16000, 0, 100}}) {
        const auto path = Write(Joined({std::to_string(bytes), ".wav"}),
                                Wav({fmt(2, 8000, 8), Chunk("data", Bytes(bytes, 128))}));
        const Outcome rates = Run(path);
        EXPECT_EQ(rates.status, rateStatus) << bytes;
        EXPECT_EQ(rates.out, rateStatus == 0 ? "0\n" : "") << bytes;
        EXPECT_EQ(std::count(rates.err.begin(), rates.err.end(), '\n'), rateStatus == 0 ? 0 : 1)
            << rates.err;
        const Outcome frames = Run(Joined({"--frames ", path}));
        EXPECT_EQ(frames.status, frameLines == 0 ? 3 : 0) << bytes;
        EXPECT_EQ(std::count(frames.out.begin(), frames.out.end(), '\n'), frameLines) << bytes;
    }
}

// Output of today's analysis for files of several formats and layouts; any change to the
// conversion, the block replay or the detector shows here as a different hash.
TEST_F(AnalyzeTool, OutputStaysTheSameForEveryFormat) {
    Bytes extensible = fmt(2, 48000, 16);
    extensible[0 + 8] = 0xFE;
    extensible[1 + 8] = 0xFF;
    extensible[4] = 40;
    extensible.resize(8 + 40, 0);
    extensible[8 + 16] = 22;
    extensible[8 + 24] = 1;
    struct Case {
        std::string name;
        Bytes wav;
        std::size_t rateLines;
        std::uint64_t rateHash;
        std::size_t frameLines;
        std::uint64_t frameHash;
    };
    auto capture = BeatingSamples(2, 8000, 8, 8000 * 12 + 401, 1);
    capture.push_back(7);  // odd data size: a pad byte follows
    const std::vector<Case> cases{
        {"capture", Wav({fmt(2, 8000, 8), Chunk("data", capture), Chunk("LIST", {1, 2, 3})}), 12,
         0x26feff92759de876ull, 1200, 0xa7fafafd997171aeull},
        {"mono16-44100",
         Wav({fmt(1, 44100, 16), Chunk("data", BeatingSamples(1, 44100, 16, 44100 * 11 + 5, 2))}),
         11, 0x637ea8b7018ce3f7ull, 1100, 0x73d9928c92eef093ull},
        {"stereo16-44100",
         Wav({fmt(2, 44100, 16), Chunk("data", BeatingSamples(2, 44100, 16, 44100 * 11, 3))}), 11,
         0x33beeb98c3ddbde0ull, 1100, 0xcd3ce03a60661b67ull},
        {"mono16-11025",
         Wav({fmt(1, 11025, 16), Chunk("data", BeatingSamples(1, 11025, 16, 11025 * 13, 4))}), 13,
         0xe0326885c9791780ull, 1300, 0x19bfb2a72acb2cb8ull},
        {"stereo16-11025-streamed",
         Wav({Chunk("LIST", {9}), fmt(2, 11025, 16),
              Chunk("data", BeatingSamples(2, 11025, 16, 11025 * 12 + 77, 5), 0xFFFFFFFF)}),
         12, 0xd2214ead509250dcull, 1200, 0xf4da94b73a030192ull},
        {"mono8-22050",
         Wav({fmt(1, 22050, 8), Chunk("data", BeatingSamples(1, 22050, 8, 22050 * 11 + 1, 6))}), 11,
         0x5c4cd10f0ad7041dull, 1100, 0x13fb93b7c670cefaull},
        {"three16-12345-cut",
         Wav({fmt(3, 12345, 16),
              Chunk("data", BeatingSamples(3, 12345, 16, 12345 * 12 + 3, 7), 9999999)}),
         12, 0x4c51201545f1dfb9ull, 1200, 0x52349831a8bdb746ull},
        {"extensible-48000",
         Wav({extensible, Chunk("data", BeatingSamples(2, 48000, 16, 48000 * 11, 8))}), 11,
         0x532193894475b7f3ull, 1100, 0x443894052c2147adull},
    };
    for (const Case& c : cases) {
        const auto path = Write(Joined({c.name, ".wav"}), c.wav);
        const Outcome rates = Run(path);
        const Outcome frames = Run(Joined({"--frames ", path}));
        // A file cut off before the length its header declares is analysed as far as it goes,
        // with a warning.
        const int status = c.name.ends_with("-cut") ? 4 : 0;
        EXPECT_EQ(rates.status, status) << c.name << rates.err;
        EXPECT_EQ(std::count(rates.out.begin(), rates.out.end(), '\n'), c.rateLines) << c.name;
        EXPECT_EQ(Fnv1a(rates.out), c.rateHash) << c.name << '\n' << rates.out;
        EXPECT_EQ(frames.status, status) << c.name << frames.err;
        EXPECT_EQ(std::count(frames.out.begin(), frames.out.end(), '\n'), c.frameLines) << c.name;
        EXPECT_EQ(Fnv1a(frames.out), c.frameHash) << c.name;
    }
}

}  // namespace
}  // namespace marulo::testing
