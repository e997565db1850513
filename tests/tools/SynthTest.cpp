// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <string>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureFormat.h"
#include "recordformat/WavReader.h"
#include "tools/synth/SyntheticRecording.h"

namespace marulo::synth {
namespace {

struct RateCase {
    double start;
    double end;
    std::uint32_t seed;
};

void PrintTo(const RateCase& c, std::ostream* out) {
    *out << c.start << ".." << c.end << " bpm, seed " << c.seed;
}

class SynthRates : public ::testing::TestWithParam<RateCase> {};

// The generator is only useful if the program's own detector hears the rate it was asked for.
TEST_P(SynthRates, DetectorReportsTheKnownRate) {
    const RateCase c = GetParam();
    const SynthOptions options{30.0, c.start, c.end, c.seed};
    const auto reported = acquisition::AnalyzeCaptureBytes(SynthesizeCaptureBytes(options));
    ASSERT_EQ(reported.size(), 30u);
    // The first two seconds are the detector's warm-up.
    for (std::size_t second = 2; second < reported.size(); ++second) {
        const double known = RateAt(options, static_cast<double>(second));
        EXPECT_NEAR(reported[second], known, 5.0) << "second " << second;
    }
}

INSTANTIATE_TEST_SUITE_P(Ramps, SynthRates,
                         ::testing::Values(RateCase{140, 150, 1}, RateCase{150, 140, 2},
                                           RateCase{70, 70, 3}, RateCase{110, 130, 7},
                                           RateCase{180, 180, 11}, RateCase{220, 235, 5}),
                         [](const ::testing::TestParamInfo<RateCase>& info) {
                             return "From" + std::to_string(static_cast<int>(info.param.start)) +
                                    "To" + std::to_string(static_cast<int>(info.param.end)) +
                                    "Seed" + std::to_string(info.param.seed);
                         });

TEST(Synth, BytesAreCaptureFormatAndRepeatableForASeed) {
    const SynthOptions options{2.5, 140, 150, 9};
    const auto bytes = SynthesizeCaptureBytes(options);
    ASSERT_EQ(bytes.size(), 2.5 * acquisition::CaptureFormat().averageBytesPerSecond);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        ASSERT_EQ(bytes[i], bytes[i + 1]) << "frame " << i / 2;
    }
    EXPECT_EQ(bytes, SynthesizeCaptureBytes(options));
    SynthOptions other = options;
    other.seed = 10;
    EXPECT_NE(bytes, SynthesizeCaptureBytes(other));
}

TEST(Synth, RateMovesLinearlyAndHoldsOutsideTheRecording) {
    const SynthOptions options{60, 140, 150, 1};
    EXPECT_DOUBLE_EQ(RateAt(options, 0), 140);
    EXPECT_DOUBLE_EQ(RateAt(options, 30), 145);
    EXPECT_DOUBLE_EQ(RateAt(options, 60), 150);
    EXPECT_DOUBLE_EQ(RateAt(options, 90), 150);
    EXPECT_DOUBLE_EQ(RateAt(options, -1), 140);
}

TEST(Synth, OptionsOutsideTheirRangesAreRefused) {
    const struct {
        SynthOptions options;
        bool accepted;
    } cases[] = {
        {{60, 140, 150, 1}, true},    {{0, 140, 150, 1}, false},    {{-1, 140, 150, 1}, false},
        {{3600, 50, 240, 1}, true},   {{3601, 140, 150, 1}, false}, {{60, 49.9, 150, 1}, false},
        {{60, 140, 240.5, 1}, false}, {{0.1, 50, 50, 1}, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckOptions(c.options).empty(), c.accepted)
            << c.options.seconds << " s, " << c.options.bpmStart << ".." << c.options.bpmEnd;
    }
}

TEST(Synth, WhatElseIsHeardIsCheckedAndItsTruthTold) {
    const SynthOptions options{10, 140, 150, 1};
    ListeningOptions heard;
    heard.maternalBpm = 80;
    heard.maternalGain = 0.3;
    heard.slips.push_back({2, 2});
    heard.lifts.push_back({{5, 1}, LiftedSound::Rubbing});
    heard.talks.push_back({7, 1});
    EXPECT_EQ(CheckListening(options, heard), "");
    EXPECT_EQ(TruthCsv(TruthPerSecond(options, heard)),
              "second,fetal,maternal,condition\n0,141,80,clean\n1,142,80,clean\n2,,80,slip\n"
              "3,,80,slip\n4,145,80,clean\n5,,,rubbing\n6,147,80,clean\n7,,,talk\n"
              "8,149,80,clean\n9,150,80,clean\n");
    const auto bytes = SynthesizeCaptureBytes(options, heard);
    EXPECT_EQ(bytes, SynthesizeCaptureBytes(options, heard));
    EXPECT_NE(bytes, SynthesizeCaptureBytes(options));

    const auto refused = [&options](auto change) {
        ListeningOptions listening;
        change(listening);
        return !CheckListening(options, listening).empty();
    };
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.slips.push_back({1, 1}); }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.maternalBpm = 30; }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.maternalGain = -1; }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.secondSoundDelay = 0.9; }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.secondSoundGain = 3; }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.snrDb = 99; }));
    EXPECT_FALSE(refused([](ListeningOptions& l) { l.snrDb = -12; }));
}

// A passing change falls, holds and recovers on top of the linear rate; soft talking leaves the
// baby heard, loud talking drowns him; a turned-up stretch clips; changes that leave the range are
// refused.
TEST(Synth, RateChangesTalkingLevelsAndClippingAreMadeAndTold) {
    const SynthOptions options{40, 140, 140, 2};
    ListeningOptions heard;
    heard.rateChanges.push_back({5, -60, 10, 10, 5});
    const struct {
        double second;
        double bpm;
    } rates[] = {{0, 140}, {5, 140}, {10, 110},   {15, 80},
                 {24, 80}, {25, 80}, {27.5, 110}, {35, 140}};
    for (const auto& r : rates) {
        EXPECT_DOUBLE_EQ(FetalRateAt(options, heard, r.second), r.bpm) << r.second;
    }
    EXPECT_EQ(CheckListening(options, heard), "");

    const auto conditions = [&options](double talkGain) {
        ListeningOptions listening;
        listening.talks.push_back({2, 2});
        listening.talkGain = talkGain;
        listening.turnedUp.push_back({6, 2});
        std::string text;
        for (const SecondTruth& second : TruthPerSecond({9, 140, 140, 2}, listening)) {
            text += second.condition + (second.fetalBpm ? "+ " : "- ");
        }
        return text;
    };
    EXPECT_EQ(conditions(0.3),
              "clean+ clean+ talk-heard+ talk-heard+ clean+ clean+ clipped+ "
              "clipped+ clean+ ");
    EXPECT_EQ(conditions(1.0), "clean+ clean+ talk- talk- clean+ clean+ clipped+ clipped+ clean+ ");

    ListeningOptions loud;
    loud.turnedUp.push_back({0, 2});
    const auto bytes = SynthesizeCaptureBytes({4, 140, 140, 2}, loud);
    const auto clipped = [&bytes](std::size_t from, std::size_t to) {
        return std::count_if(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                             bytes.begin() + static_cast<std::ptrdiff_t>(to),
                             [](std::uint8_t b) { return b == 1 || b == 255; });
    };
    EXPECT_GT(clipped(0, 32000), 100);
    EXPECT_EQ(clipped(40000, 64000), 0);

    const auto refused = [&options](auto change) {
        ListeningOptions listening;
        change(listening);
        return !CheckListening(options, listening).empty();
    };
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.rateChanges.push_back({5, -100, 5, 5, 5}); }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.rateChanges.push_back({5, 120, 5, 5, 5}); }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.rateChanges.push_back({5, -20, -1, 5, 5}); }));
    EXPECT_TRUE(refused([](ListeningOptions& l) { l.talkGain = 5; }));
    EXPECT_FALSE(refused([](ListeningOptions& l) {
        l.rateChanges.push_back({30, -85, 5, 20, 5});
    }));
}

TEST(Synth, WrittenFileReadsBackInTheCaptureFormat) {
    const auto bytes = SynthesizeCaptureBytes({1.0, 140, 140, 1});
    const auto file = std::filesystem::temp_directory_path() /
                      ("marulo-synth-test-" + std::to_string(::getpid()) + ".wav");
    std::string error;
    ASSERT_TRUE(WriteCaptureWav(file, bytes, error)) << error;
    const auto wav = recordformat::ReadWavFile(file, error);
    std::filesystem::remove(file);
    ASSERT_TRUE(wav) << error;
    EXPECT_EQ(wav->format, acquisition::CaptureFormat());
    EXPECT_EQ(wav->samples, bytes);

    EXPECT_FALSE(WriteCaptureWav("/nonexistent-folder/x.wav", bytes, error));
    EXPECT_NE(error.find("/nonexistent-folder/x.wav"), std::string::npos);
}

}  // namespace
}  // namespace marulo::synth
