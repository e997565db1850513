// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "acquisition/Analysis.h"
#include "ratecheck/BandEnvelopes.h"
#include "ratecheck/RateCheck.h"
#include "tools/synth/SyntheticRecording.h"

namespace marulo::ratecheck {
namespace {

struct Second {
    std::int32_t shown = 0;
    SecondCheck check;
};

// The detector's shown rates and the check of every second, the audio fed in the given pieces.
std::vector<Second> Check(const std::vector<std::uint8_t>& bytes, std::size_t piece) {
    std::vector<Second> seconds;
    RateCheck rateCheck([&seconds](std::int32_t shown, const SecondCheck& check) {
        seconds.push_back({shown, check});
    });
    for (const std::int32_t shown : acquisition::AnalyzeCaptureBytes(bytes)) {
        rateCheck.FeedShown(shown);
    }
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        rateCheck.FeedAudio(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)));
    }
    return seconds;
}

struct ClipCase {
    const char* name;
    double fetalBpm;
    synth::ListeningOptions listening;
    double checkedBpm;              // 0: the check gives no rate
    std::vector<Quality> expected;  // the words allowed once warmed up
};

void PrintTo(const ClipCase& c, std::ostream* out) {
    *out << c.name;
}

class Clips : public ::testing::TestWithParam<ClipCase> {};

constexpr double kClipSeconds = 12.0;
constexpr std::size_t kWarmUp = 5;

TEST_P(Clips, QualityAndCheckedRateOnceWarmedUp) {
    const ClipCase& c = GetParam();
    const synth::SynthOptions options{kClipSeconds, c.fetalBpm, c.fetalBpm, 21};
    const auto seconds = Check(synth::SynthesizeCaptureBytes(options, c.listening), 4096);
    ASSERT_EQ(seconds.size(), static_cast<std::size_t>(kClipSeconds));
    for (std::size_t n = kWarmUp; n < seconds.size(); ++n) {
        const Second& s = seconds[n];
        SCOPED_TRACE("second " + std::to_string(n) + ", shown " + std::to_string(s.shown) + ", " +
                     std::string(QualityWord(s.check.quality)));
        EXPECT_NE(std::find(c.expected.begin(), c.expected.end(), s.check.quality),
                  c.expected.end());
        if (s.check.quality == Quality::Good) {
            ASSERT_TRUE(s.check.checkedBpm.has_value());
        }
        if (c.checkedBpm > 0) {
            ASSERT_TRUE(s.check.checkedBpm.has_value());
            EXPECT_NEAR(*s.check.checkedBpm, c.checkedBpm, 4.0);
        } else {
            EXPECT_FALSE(s.check.checkedBpm.has_value());
        }
    }
}

synth::ListeningOptions Listening(double maternalBpm, double maternalGain) {
    synth::ListeningOptions listening;
    listening.maternalBpm = maternalBpm;
    listening.maternalGain = maternalGain;
    return listening;
}

// A baby slowing from his baseline and back over 50 s: the truth and the check of every second.
struct Slowing {
    std::vector<synth::SecondTruth> truth;
    std::vector<Second> seconds;
};

Slowing CheckSlowing(double baseline, const synth::RateChange& change,
                     synth::ListeningOptions listening, std::uint32_t seed) {
    const synth::SynthOptions options{50, baseline, baseline, seed};
    listening.rateChanges.push_back(change);
    return {synth::TruthPerSecond(options, listening),
            Check(synth::SynthesizeCaptureBytes(options, listening), 4096)};
}

std::string Describe(std::size_t second, double fetal, const Second& s) {
    return "second " + std::to_string(second) + ", baby " + std::to_string(fetal) + ", shown " +
           std::to_string(s.shown) + ", " + std::string(QualityWord(s.check.quality));
}

synth::ListeningOptions Slipped(double maternalBpm) {
    synth::ListeningOptions listening = Listening(maternalBpm, 0.0);
    listening.slips.push_back({0.0, kClipSeconds});
    return listening;
}

synth::ListeningOptions Lifted(synth::LiftedSound sound) {
    synth::ListeningOptions listening;
    listening.lifts.push_back({{0.0, kClipSeconds}, sound});
    return listening;
}

synth::ListeningOptions Talking(double gain = 1.0, double from = 0.0) {
    synth::ListeningOptions listening;
    listening.talks.push_back({from, kClipSeconds - from});
    listening.talkGain = gain;
    return listening;
}

synth::ListeningOptions SecondSound(double delay, double gain,
                                    std::optional<double> snrDb = std::nullopt) {
    synth::ListeningOptions listening;
    listening.snrDb = snrDb;
    listening.secondSoundDelay = delay;
    listening.secondSoundGain = gain;
    return listening;
}

synth::ListeningOptions WithMother(synth::ListeningOptions listening, double maternalBpm,
                                   double maternalGain) {
    listening.maternalBpm = maternalBpm;
    listening.maternalGain = maternalGain;
    return listening;
}

// A baby changing rate beside his mother's pulse, a row of the tables below.
struct BesideHer {
    double baseline;
    synth::RateChange change;
    double maternalBpm;
    double maternalGain;
    synth::ListeningOptions sounds;
    std::uint32_t seed;
};

Slowing CheckBesideHer(const BesideHer& c) {
    return CheckSlowing(c.baseline, c.change, WithMother(c.sounds, c.maternalBpm, c.maternalGain),
                        c.seed);
}

void PrintTo(const BesideHer& c, std::ostream* out) {
    *out << c.baseline << " changing by " << c.change.depthBpm << " beside her at " << c.maternalBpm
         << ", seed " << c.seed;
}

const std::vector<Quality> kNoBaby = {Quality::None, Quality::Unsure};

INSTANTIATE_TEST_SUITE_P(
    RateCheck, Clips,
    ::testing::Values(
        ClipCase{"CleanFetal", 145, {}, 145, {Quality::Good}},
        ClipCase{"FastWithQuietMother", 172, Listening(70, 0.15), 172, {Quality::Good}},
        // The mother's pulse at half the baby's rate takes the detector's number.
        ClipCase{"HalfRateTrap", 150, Listening(75, 0.6), 150, {Quality::Half, Quality::Maternal}},
        ClipCase{"ProbeOnMothersVessel", 140, Slipped(82), 0, {Quality::Maternal}},
        ClipCase{"LiftedInSilence", 140, Lifted(synth::LiftedSound::Silence), 0, {Quality::None}},
        ClipCase{"LiftedWithHiss", 140, Lifted(synth::LiftedSound::Hiss), 0, kNoBaby},
        ClipCase{"LiftedAndRubbing", 140, Lifted(synth::LiftedSound::Rubbing), 0, kNoBaby},
        // A voice over the baby: its syllables make a rhythm of their own near 200 bpm.
        ClipCase{"TalkingOverTheBaby", 150, Talking(), 0, {Quality::None}},
        // Softly enough that the baby is still heard: he stays, and so does his rate.
        ClipCase{"SoftTalkingOverTheBaby", 150, Talking(0.3, 3.0), 150, {Quality::Good}},
        // Slow and fast babies are babies; below 110 the mother's pulse may beat alike.
        ClipCase{"SlowBaby", 104, {}, 104, {Quality::Good}},
        ClipCase{"FastBaby", 195, {}, 195, {Quality::Good}},
        // His own second sound inside each beat: a beat of its own, not the half of a slower one.
        ClipCase{
            "FastBabyWithLoudSecondSound", 198, SecondSound(0.4, 0.9, 20.0), 198, {Quality::Good}},
        // Alone, his second sound clearly before or after mid-beat: two sounds of valves where her
        // vessel swells once, so his slow rate is his.
        ClipCase{"SlowBabyWithSecondSoundAThirdOfTheBeatOn",
                 100,
                 SecondSound(0.36, 0.6),
                 100,
                 {Quality::Good}},
        ClipCase{"SlowBabyWithSecondSoundLateInTheBeat",
                 104,
                 SecondSound(0.42, 0.4, 5.0),
                 104,
                 {Quality::Good}},
        // Alone, his second sound faint: brief clicks where her vessel swells, so his slow rate is
        // his.
        ClipCase{"SlowBabyWithFaintSecondSound", 101, SecondSound(0.5, 0.15), 101, {Quality::Good}},
        // Her vessel near a slow baby's rate swells once a beat: no second sound to take for a
        // baby's, so it is never marked good.
        ClipCase{"ProbeOnMothersVesselNearASlowBabysRate",
                 104,
                 Slipped(98),
                 98,
                 {Quality::Maternal, Quality::Unsure}},
        // In hiss with the second sound near mid-beat, whose half beat repeats near 205.
        ClipCase{"SlowBabyWithSecondSoundAtMidBeat",
                 103,
                 SecondSound(0.48, 0.75, -5.0),
                 103,
                 {Quality::Good, Quality::Unsure}},
        // A strong mother near half a fast baby's rate: her deep pulse takes the detector's
        // number, and his double in the highest band is no sign that she sounds there.
        ClipCase{"FastBabyOverStrongMotherAtHalfHisRate",
                 203,
                 WithMother(SecondSound(0.34, 0.58, 13.0), 98.5, 0.8),
                 203,
                 {Quality::Half, Quality::Maternal}},
        // Over her deep pulse near half his rate, his soft second sound after mid-beat still
        // sounds inside each of his beats in the highest band: a rhythm of its own above her, not
        // the two sounds of a slow beat, though her pulse repeats there too.
        ClipCase{"FastBabyWithSoftSecondSoundOverStrongMotherAtHalfHisRate",
                 198,
                 WithMother(SecondSound(0.56, 0.3, 25.0), 102, 0.65),
                 198,
                 {Quality::Half, Quality::Maternal}},
        // A slow baby whose like second sound falls at mid-beat repeats at the half beat too: with
        // no deep pulse of its own there, his rhythm is still his.
        ClipCase{"SlowBabyWithLikeSecondSoundAtMidBeatOverHisMother",
                 104,
                 WithMother(SecondSound(0.5, 0.7, 2.5), 55, 0.3),
                 104,
                 {Quality::Good, Quality::Unsure, Quality::Double}},
        ClipCase{"SlowBabyWithSecondSoundAtMidBeatBesideStrongMother",
                 106,
                 WithMother(SecondSound(0.5, 0.63, 7.0), 89, 0.8),
                 106,
                 {Quality::Good, Quality::Unsure, Quality::Maternal}},
        // Alone, with a like second sound right at mid-beat: every half beat is one sound with
        // nothing inside it, and the whole beat repeats better than the half. The detector shows
        // his double.
        ClipCase{"SlowBabyAloneWithLikeSecondSoundAtMidBeat",
                 99,
                 SecondSound(0.5, 0.47, 25.0),
                 99,
                 {Quality::Good, Quality::Unsure, Quality::Double}},
        ClipCase{"SlowBabyAloneWithLoudSecondSoundAtMidBeatInHiss",
                 98,
                 SecondSound(0.49, 0.73, -2.0),
                 98,
                 {Quality::Good, Quality::Unsure, Quality::Double}},
        // Alone, with a loud second sound 0.4 of the beat on: the gap after it beats near 165, does
        // not repeat at its double, and makes up his beat with the gap before it.
        ClipCase{"SlowBabyAloneWithLoudSecondSoundBeforeMidBeat",
                 99,
                 SecondSound(0.4, 0.85, 15.0),
                 99,
                 {Quality::Good, Quality::Unsure}},
        // A fast baby whose like second sound falls near mid-beat, over his mother: one and a half
        // beats repeat as well as the beat, their third being the half of his beat.
        ClipCase{"FastBabyWithLikeSecondSoundAtMidBeatOverHisMother",
                 175,
                 WithMother(SecondSound(0.54, 0.8, 0.0), 62, 0.5),
                 175,
                 {Quality::Good}},
        // A strong mother's pulse above 105 beside a faster baby: both hearts heard at once, hers
        // the deeper. The number she takes is hers, and the checked rate stays his.
        ClipCase{"StrongMotherAtHerFastestBesideAFasterBaby",
                 150,
                 WithMother(SecondSound(0.4, 0.6, 15.0), 115, 1.0),
                 150,
                 {Quality::Maternal}},
        ClipCase{"StrongMotherNearASlowBabysRateBesideAFasterBaby",
                 145,
                 WithMother(SecondSound(0.4, 0.6, 20.0), 108, 1.0),
                 145,
                 {Quality::Maternal}},
        // Alone at her fastest rate, with nothing of her: his.
        ClipCase{
            "BabyAloneAtHerFastestRate", 116, SecondSound(0.45, 0.3, 5.0), 116, {Quality::Good}}),
    [](const ::testing::TestParamInfo<ClipCase>& info) { return info.param.name; });

// A voice that comes over a baby heard until then: loud, it drowns him, and his rate goes with him
// however well it was followed; softer, he is still heard under it and keeps his rate.
TEST(RateCheck, AVoiceThatDrownsTheHeartTakesHisRate) {
    constexpr double kSeconds = 24.0;
    constexpr double kVoiceFrom = 10.0;
    constexpr std::size_t kSettled = 13;  // the voice has filled the window
    const struct {
        double fetalBpm;
        std::uint32_t seed;
        double voiceGain;
        bool heard;
    } cases[] = {
        {150, 21, 1.5, false}, {138, 7, 2.0, false}, {172, 33, 1.2, false},
        {150, 21, 0.3, true},  {138, 7, 0.4, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(std::lround(c.fetalBpm)) + " bpm, voice " +
                     std::to_string(c.voiceGain));
        synth::ListeningOptions listening;
        listening.talks.push_back({kVoiceFrom, kSeconds - kVoiceFrom});
        listening.talkGain = c.voiceGain;
        const auto seconds = Check(
            synth::SynthesizeCaptureBytes({kSeconds, c.fetalBpm, c.fetalBpm, c.seed}, listening),
            4096);
        ASSERT_EQ(seconds.size(), static_cast<std::size_t>(kSeconds));
        std::size_t checked = 0;
        for (std::size_t n = kSettled; n < seconds.size(); ++n) {
            const SecondCheck& check = seconds[n].check;
            EXPECT_TRUE(check.talking) << n;
            if (check.checkedBpm) {
                ++checked;
                EXPECT_NEAR(*check.checkedBpm, c.fetalBpm, 4.0) << n;
            }
            if (!c.heard) {
                EXPECT_NE(check.quality, Quality::Good) << n;
            }
        }
        if (c.heard) {
            EXPECT_GE(checked, seconds.size() - kSettled - 2);
        } else {
            EXPECT_EQ(checked, 0u);
        }
    }
}

// Pieces cut anywhere, even between the two bytes of a frame, give the same answers.
TEST(RateCheck, AnswersDoNotDependOnHowTheAudioIsCut) {
    const synth::SynthOptions options{8.0, 138, 150, 4};
    const auto bytes = synth::SynthesizeCaptureBytes(options, Listening(80, 0.3));
    const auto whole = Check(bytes, bytes.size());
    for (const std::size_t piece : {1u, 77u, 1600u}) {
        const auto cut = Check(bytes, piece);
        ASSERT_EQ(cut.size(), whole.size()) << piece;
        for (std::size_t n = 0; n < whole.size(); ++n) {
            EXPECT_EQ(cut[n].check.quality, whole[n].check.quality) << piece << " at " << n;
            EXPECT_EQ(cut[n].check.checkedBpm, whole[n].check.checkedBpm) << piece << " at " << n;
        }
    }
}

// The shown rates and the audio may come in any order; a second is given once both are there.
TEST(RateCheck, PairsEachSecondsAudioWithItsShownRate) {
    const auto bytes = synth::SynthesizeCaptureBytes({6.0, 140, 140, 2});
    const auto trace = acquisition::AnalyzeCaptureBytes(bytes);
    std::vector<Second> late;
    RateCheck rateCheck([&late](std::int32_t shown, const SecondCheck& check) {
        late.push_back({shown, check});
    });
    rateCheck.FeedAudio(bytes);
    EXPECT_TRUE(late.empty());
    for (std::size_t n = 0; n < trace.size(); ++n) {
        rateCheck.FeedShown(trace[n]);
        ASSERT_EQ(late.size(), n + 1);
    }
    const auto early = Check(bytes, bytes.size());
    ASSERT_EQ(early.size(), late.size());
    for (std::size_t n = 0; n < late.size(); ++n) {
        EXPECT_EQ(late[n].shown, trace[n]);
        EXPECT_EQ(late[n].check.quality, early[n].check.quality) << n;
        EXPECT_EQ(late[n].check.checkedBpm, early[n].check.checkedBpm) << n;
    }
    rateCheck.FeedShown(140);  // a shown rate beyond the audio waits for audio that never comes
    EXPECT_EQ(late.size(), trace.size());
}

// A heart is heard where the shown rate beats in the newest second, the baby's or the mother's;
// never in silence.
TEST(RateCheck, HearsAPulseOnlyWhereTheShownRateBeats) {
    synth::ListeningOptions onHerVessel;
    onHerVessel.maternalBpm = 80;
    onHerVessel.maternalGain = 0.3;
    onHerVessel.slips.push_back({0.0, 12.0});
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::size_t heardAtLeast;  // of the seconds after the warm-up
    } cases[] = {
        {"the baby", synth::SynthesizeCaptureBytes({12.0, 140, 140, 2}), 6},
        {"the mother's vessel", synth::SynthesizeCaptureBytes({12.0, 140, 140, 2}, onHerVessel), 5},
        {"silence", std::vector<std::uint8_t>(12 * 16000, 128), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto seconds = Check(c.bytes, 4096);
        ASSERT_GT(seconds.size(), kWarmUp);
        std::size_t heard = 0;
        for (std::size_t n = kWarmUp; n < seconds.size(); ++n) {
            heard += seconds[n].check.pulseHeard;
        }
        EXPECT_GE(heard, c.heardAtLeast);
        if (c.heardAtLeast == 0) {
            EXPECT_EQ(heard, 0u);
        }
    }
}

// A voice is tonal, the baby's sounds are noise: only the voice's frames sound voiced.
TEST(RateCheck, OnlyAVoiceSoundsVoiced) {
    const auto voicedShare = [](const std::vector<std::uint8_t>& bytes) {
        BandEnvelopes envelopes;
        envelopes.Feed(bytes);
        int voiced = 0;
        for (const EnvelopeFrame& frame : envelopes.Frames()) {
            voiced += frame.voicing > 0.7F ? 1 : 0;
        }
        return static_cast<double>(voiced) / static_cast<double>(envelopes.Frames().size());
    };
    const synth::SynthOptions options{4.0, 150, 150, 6};
    EXPECT_GT(voicedShare(synth::SynthesizeCaptureBytes(options, Talking())), 0.3);
    EXPECT_LT(voicedShare(synth::SynthesizeCaptureBytes(options)), 0.05);
    EXPECT_LT(voicedShare(synth::SynthesizeCaptureBytes(options, Slipped(80))), 0.05);
    EXPECT_LT(voicedShare(synth::SynthesizeCaptureBytes(options, Lifted(synth::LiftedSound::Hiss))),
              0.05);
}

// A baby slowing gradually to the mother's rate and back stays the baby: shown right, his seconds
// are never called her pulse, and a good second always has his rate.
TEST(RateCheck, ADeceleratingBabyIsNotTheMothersPulse) {
    const struct {
        const char* name;
        double baseline;
        synth::RateChange change;
        double maternalBpm;
        double maternalGain;
        std::uint32_t seed;
    } cases[] = {
        {"to 85 beside a mother at 93", 140, {6, -55, 10, 15, 10}, 93, 0.35, 5},
        {"slowly to 85 beside a loud mother at 94", 150, {8, -65, 20, 10, 10}, 94, 0.5, 8},
        {"to 80 beside a mother at 90", 130, {6, -50, 8, 20, 10}, 90, 0.15, 13},
        {"quickly to 100 with a quiet mother at 72", 145, {6, -45, 5, 15, 15}, 72, 0.2, 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto [truth, seconds] =
            CheckSlowing(c.baseline, c.change, Listening(c.maternalBpm, c.maternalGain), c.seed);
        int slowShownRight = 0;
        for (std::size_t n = kWarmUp; n < seconds.size(); ++n) {
            const Second& s = seconds[n];
            const double fetal = *truth[n].fetalBpm;
            SCOPED_TRACE(Describe(n, fetal, s));
            if (s.check.quality == Quality::Good) {
                ASSERT_TRUE(s.check.checkedBpm.has_value());
            }
            // Shown the baby's rate, and not one the mother's pulse could have given.
            if (fetal < 110 && std::abs(s.shown - fetal) <= 5 &&
                std::abs(s.shown - c.maternalBpm) > 5) {
                ++slowShownRight;
                EXPECT_NE(s.check.quality, Quality::Maternal);
            }
        }
        EXPECT_GT(slowShownRight, 5);
    }
}

// A baby falling to within a few beats of his strong mother's pulse, heard apart from her until
// then, or falling so fast beside her loud pulse that the window smears him and he is lost on the
// way down: once the two cannot be told apart, the rhythm left at her rate is not taken for hers.
TEST(RateCheck, ABabyFallingCloseToHisMothersPulseIsNotCalledHers) {
    const BesideHer cases[] = {
        {129, {11, -21, 5, 9, 5}, 102.5, 0.8, SecondSound(0.3, 0.22, 25.0), 2},
        {129, {11, -21, 5, 9, 5}, 102.5, 0.8, SecondSound(0.3, 0.22, 25.0), 3},
        {129, {11, -21, 5, 9, 5}, 102.5, 0.8, SecondSound(0.3, 0.22, 25.0), 4},
        {131, {11.4, -65.7, 9.9, 10.3, 9.6}, 63.9, 0.4, SecondSound(0.48, 0.28, 22.7), 1},
        {131, {11.4, -65.7, 9.9, 10.3, 9.6}, 63.9, 0.4, SecondSound(0.48, 0.28, 22.7), 4},
        {131, {7.4, -58.8, 12.8, 7.8, 10.7}, 75.7, 0.8, SecondSound(0.48, 0.62, 23.4), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const auto [truth, seconds] = CheckBesideHer(c);
        int slowShownRight = 0;
        for (std::size_t n = kWarmUp; n < seconds.size(); ++n) {
            const Second& s = seconds[n];
            const double fetal = *truth[n].fetalBpm;
            if (fetal < 110 && std::abs(s.shown - fetal) <= 5) {
                ++slowShownRight;
                EXPECT_NE(s.check.quality, Quality::Maternal) << Describe(n, fetal, s);
            }
        }
        EXPECT_GT(slowShownRight, 5);
    }
}

TEST(RateCheck, JudgesTheShownRateAgainstTheSecondsItLagsBehind) {
    const auto fetal = [](double bpm) { return SecondEstimate{bpm, std::nullopt, true}; };
    const auto mother = [](double bpm) { return SecondEstimate{std::nullopt, bpm, true}; };
    const auto either = [](double bpm) { return SecondEstimate{bpm, bpm, true, false, true}; };
    const auto herMayBeHis = [](double bpm) {
        return SecondEstimate{std::nullopt, bpm, true, false, false, true};
    };
    const SecondEstimate quiet{};
    const SecondEstimate rhythm{std::nullopt, std::nullopt, true};
    const struct {
        std::int32_t shown;
        std::vector<SecondEstimate> recent;
        Quality quality;
    } cases[] = {
        {146, {fetal(150), fetal(150), quiet, quiet}, Quality::Good},  // an estimate 3 s back
        {144, {fetal(150)}, Quality::Unsure},
        {75, {fetal(150), mother(75)}, Quality::Maternal},
        {74, {fetal(150)}, Quality::Half},
        {290, {fetal(145)}, Quality::Double},
        {80, {mother(80), quiet}, Quality::Maternal},
        {0, {fetal(150)}, Quality::Unsure},
        {0, {quiet, quiet}, Quality::None},
        {120, {quiet, quiet}, Quality::None},
        {120, {rhythm}, Quality::Unsure},
        {120, {}, Quality::None},
        {96, {either(96)}, Quality::Unsure},  // slow, and the mother's pulse beats alike
        {96, {either(96), fetal(95)}, Quality::Good},
        {76, {herMayBeHis(76)}, Quality::Unsure},  // the baby, lost as he fell, may beat there
        {76, {herMayBeHis(76), mother(76)}, Quality::Maternal},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JudgeShown(c.shown, c.recent), c.quality) << c.shown;
    }
    EXPECT_EQ(QualityWord(Quality::Maternal), "maternal");
    EXPECT_EQ(QualityWord(Quality::Unsure), "unsure");
}

// A baby who slows fast beside his mother's strong pulse is lost on the way down; once he holds at
// a rate of his own, apart from hers and sounding higher, he is found again: the check gives his
// rate through the hold, and a shown rate that is his and not hers is never called her pulse.
TEST(RateCheck, ABabyHoldingBesideHisMothersPulseIsFoundAgain) {
    const struct {
        const char* name;
        double baseline;
        synth::RateChange change;
        double maternalBpm;
        std::uint32_t seed;
        double snrDb;
    } cases[] = {
        {"140 to 80 over 15 s beside a mother at 72", 140, {5, -60, 15, 20, 10}, 72, 7, 10},
        {"145 to 85 over 12 s beside a mother at 76", 145, {5, -60, 12, 20, 10}, 76, 10, 5},
        {"150 to 80 over 15 s beside a mother at 70", 150, {5, -70, 15, 20, 10}, 70, 14, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        synth::ListeningOptions listening = Listening(c.maternalBpm, 0.8);
        listening.snrDb = c.snrDb;
        const auto [truth, seconds] = CheckSlowing(c.baseline, c.change, listening, c.seed);
        const auto holdStart = static_cast<std::size_t>(c.change.start + c.change.fall);
        const auto holdEnd = holdStart + static_cast<std::size_t>(c.change.hold);
        int holding = 0;
        int checkedRight = 0;
        for (std::size_t n = kWarmUp; n < holdEnd; ++n) {
            const Second& s = seconds[n];
            const double fetal = *truth[n].fetalBpm;
            SCOPED_TRACE(Describe(n, fetal, s));
            if (std::abs(s.shown - fetal) <= 5 && std::abs(s.shown - c.maternalBpm) > 5) {
                EXPECT_NE(s.check.quality, Quality::Maternal);
            }
            // The four-second window needs a few seconds of the hold to hear him again.
            if (n >= holdStart + 3) {
                ++holding;
                checkedRight +=
                    s.check.checkedBpm && std::abs(*s.check.checkedBpm - fetal) <= 5 ? 1 : 0;
            }
        }
        EXPECT_GE(checkedRight * 4, holding * 3) << checkedRight << " of " << holding;
    }
}

// A baby who slowed onto his mother's strong pulse and came back up while she held her rate: once
// he is clearly above her again, her rate is no longer taken for his, and the check gives his.
TEST(RateCheck, ABabyRecoveringFromHisMothersRateLeavesHerBehind) {
    const BesideHer cases[] = {
        {124, {8, -34, 7, 5, 11}, 94, 0.8, SecondSound(0.33, 0.2, 15.0), 5},
        {126, {7, -37, 7, 6, 15}, 94, 0.65, SecondSound(0.42, 0.3, 28.0), 11},
        // Back within five seconds to one and a half times her rate.
        {134, {11, -40, 9, 10, 5}, 89, 0.8, SecondSound(0.39, 0.7, 18.0), 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c));
        const auto [truth, seconds] = CheckBesideHer(c);
        // The window and the display lag a few seconds behind his climb.
        const auto recovered = static_cast<std::size_t>(c.change.start + c.change.fall +
                                                        c.change.hold + c.change.recovery) +
                               6;
        int checked = 0;
        int checkedRight = 0;
        for (std::size_t n = recovered; n < seconds.size(); ++n) {
            const Second& s = seconds[n];
            const double fetal = *truth[n].fetalBpm;
            SCOPED_TRACE(Describe(n, fetal, s));
            if (std::abs(s.shown - fetal) > 10) {
                EXPECT_NE(s.check.quality, Quality::Good);
            }
            ++checked;
            checkedRight +=
                s.check.checkedBpm && std::abs(*s.check.checkedBpm - fetal) <= 5 ? 1 : 0;
        }
        EXPECT_GE(checkedRight * 4, checked * 3) << checkedRight << " of " << checked;
    }
}

// A baby changing rate beside his mother: the seconds that show her rate while he is more than 10
// bpm away are never marked as his, or, where he came back up unheard under her loud pulse, only
// for the few seconds it takes to hear that her vessel is all that is left at her rate. From then
// on her rate is not given as his checked rate either.
TEST(RateCheck, HerRateShownWhileHeIsElsewhereIsNeverConfirmed) {
    const struct {
        double baseline;
        synth::RateChange change;
        double maternalBpm;
        double maternalGain;
        synth::ListeningOptions sounds;
        int leastHersShown;
        int mostConfirmed = 0;
        int mostCheckedAtHers = 12;
    } cases[] = {
        // Lost for a second or two as he comes back up from a deceleration beside her strong
        // pulse, the check carried across the gap onto her rate.
        {128, {12.6, -27, 5.7, 11, 7.5}, 96.5, 1.0, SecondSound(0.36, 0.15, 15.0), 20},
        {133, {11.6, -22, 21, 17, 18}, 101, 1.0, SecondSound(0.36, 0.31, 23.0), 20},
        // A loud vessel at her fastest is heard in every band, deepest in the lowest: taken for
        // the baby from the first second, or as he falls away from his own rate beside her. Once
        // she was heard beating apart from him, her rate is no checked rate of his.
        {159.7, {8.6, -39.8, 4.9, 16.4, 7.0}, 110, 1.0, SecondSound(0.42, 0.25, 11.6), 10, 0, 5},
        {148.4, {8.4, -31.0, 16.3, 14.2, 15.7}, 110, 0.65, SecondSound(0.42, 0.25, 30.3), 10},
        // Followed down onto her rate; he comes back up unheard beneath her.
        {130, {6.9, -50, 15, 5, 9}, 80, 0.7, SecondSound(0.37, 0.71, 25.0), 20, 12},
        {135, {6.9, -50, 15, 5, 9}, 85, 0.7, SecondSound(0.37, 0.45, 25.0), 20, 12},
        {135, {6.9, -50, 15, 5, 9}, 85, 0.7, SecondSound(0.37, 0.71, 25.0), 20, 12},
    };
    for (const auto& c : cases) {
        for (const std::uint32_t seed : {1U, 4U}) {
            SCOPED_TRACE(testing::Message()
                         << c.baseline << " falling by " << -c.change.depthBpm << " beside her at "
                         << c.maternalBpm << ", seed " << seed);
            const synth::ListeningOptions listening =
                WithMother(c.sounds, c.maternalBpm, c.maternalGain);
            const auto [truth, seconds] = CheckSlowing(c.baseline, c.change, listening, seed);
            int hersShown = 0;
            int confirmed = 0;
            int checkedAtHers = 0;
            for (std::size_t n = kWarmUp; n < seconds.size(); ++n) {
                const Second& s = seconds[n];
                const double fetal = *truth[n].fetalBpm;
                if (s.check.checkedBpm && std::abs(*s.check.checkedBpm - c.maternalBpm) <= 5 &&
                    std::abs(fetal - c.maternalBpm) > 10) {
                    ++checkedAtHers;
                }
                if (std::abs(s.shown - fetal) > 10 && std::abs(s.shown - c.maternalBpm) <= 5) {
                    ++hersShown;
                    if (s.check.quality == Quality::Good) {
                        ++confirmed;
                        EXPECT_LE(confirmed, c.mostConfirmed) << Describe(n, fetal, s);
                    }
                }
            }
            EXPECT_GT(hersShown, c.leastHersShown);
            EXPECT_LE(checkedAtHers, c.mostCheckedAtHers);
        }
    }
}

// A baby under his mother's loud pulse, her rhythm masking his for seconds at a time or from the
// start, also where she beats at half his rate: where he is still found at his period, his checked
// rate stays, and no other is given.
TEST(RateCheck, ABabyMaskedByHerLoudPulseKeepsHisCheckedRate) {
    const struct {
        double baseline;
        double maternalBpm;
        synth::ListeningOptions sounds;
        int leastCheckedRight;  // of the 35 seconds after warming up
    } cases[] = {
        {150, 70, SecondSound(0.4, 0.4, 20.0), 30},
        {135, 98, SecondSound(0.38, 0.5, 15.0), 31},
        // Her pulse at half his rate, repeating far better than he does.
        {168, 84, SecondSound(0.4, 0.5, -6.0), 22},
        {160, 80, SecondSound(0.4, 0.4, 20.0), 6},
    };
    constexpr double kSeconds = 40;
    for (const auto& c : cases) {
        for (const std::uint32_t seed : {1U, 4U}) {
            SCOPED_TRACE(testing::Message()
                         << c.baseline << " under her at " << c.maternalBpm << ", seed " << seed);
            const synth::SynthOptions options{kSeconds, c.baseline, c.baseline, seed};
            const auto seconds = Check(
                synth::SynthesizeCaptureBytes(options, WithMother(c.sounds, c.maternalBpm, 1.0)),
                4096);
            int checkedRight = 0;
            for (std::size_t n = kWarmUp; n < seconds.size(); ++n) {
                const auto& checked = seconds[n].check.checkedBpm;
                if (checked) {
                    EXPECT_NEAR(*checked, c.baseline, 5) << "second " << n;
                    ++checkedRight;
                }
            }
            EXPECT_GE(checkedRight, c.leastCheckedRight);
        }
    }
}

}  // namespace
}  // namespace marulo::ratecheck
