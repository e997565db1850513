// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the built marulo-analyze program on files made here.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/acquisition/SyntheticAudio.h"
#include "tests/platform/WavBytes.h"

namespace marulo::testing {
namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

class AnalyzeTool : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(m_dir); }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        WriteFile(m_dir / name, bytes);
        return "'" + (m_dir / name).string() + "'";
    }

    Outcome Run(const std::string& args) {
        const auto err = m_dir / "stderr";
        const std::string command =
            std::string("'") + MARULO_ANALYZE + "' " + args + " 2>'" + err.string() + "'";
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

    const Outcome frames = Run("--frames " + path);
    EXPECT_EQ(frames.status, 0);
    EXPECT_EQ(std::count(frames.out.begin(), frames.out.end(), '\n'), 1000);
    EXPECT_TRUE(frames.out.starts_with("0\n0\n"));
    EXPECT_TRUE(frames.out.ends_with("\n200\n"));
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
    for (const std::string& args :
         {garbage, "--frames " + garbage, floats, Write("empty.wav", {}) + ".missing"}) {
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

}  // namespace
}  // namespace marulo::testing
