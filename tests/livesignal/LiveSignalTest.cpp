// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/BlockAnalyzer.h"
#include "acquisition/CaptureFormat.h"
#include "livesignal/InputLevel.h"
#include "livesignal/LiveSignal.h"
#include "livesignal/LiveSignalListener.h"
#include "tools/synth/SyntheticRecording.h"

namespace marulo::livesignal {
namespace {

using acquisition::kBlockBytes;

std::vector<std::uint8_t> Heartbeat(double seconds, const synth::ListeningOptions& listening = {},
                                    double bpm = 140.0) {
    return synth::SynthesizeCaptureBytes({seconds, bpm, bpm, 3}, listening);
}

// The mother's pulse at a strength, with the probe on her vessel for the first seconds.
synth::ListeningOptions Mother(double bpm, double gain, double slipSeconds = 0.0) {
    synth::ListeningOptions listening;
    listening.maternalBpm = bpm;
    listening.maternalGain = gain;
    if (slipSeconds > 0.0) {
        listening.slips.push_back({0.0, slipSeconds});
    }
    return listening;
}

// The listener turned up too far: the same beats, cut off at the ends of the sample range.
std::vector<std::uint8_t> TooLoud(std::vector<std::uint8_t> bytes) {
    for (std::uint8_t& sample : bytes) {
        sample = static_cast<std::uint8_t>(std::clamp((sample - 128) * 16 + 128, 0, 255));
    }
    return bytes;
}

// Feeds the bytes as the capture thread does: each block to the mark, then to the detector, and
// every tenth block's rate to the mark.
void FeedAsCaptured(const std::vector<std::uint8_t>& bytes,
                    const std::function<void(std::span<const std::uint8_t>)>& block,
                    const std::function<void(std::int32_t)>& shown) {
    acquisition::BlockAnalyzer analyzer;
    for (std::size_t offset = 0; offset + kBlockBytes <= bytes.size(); offset += kBlockBytes) {
        const std::span<const std::uint8_t> piece(bytes.data() + offset, kBlockBytes);
        block(piece);
        if (const auto rate = analyzer.ProcessBlock(piece)) {
            shown(*rate);
        }
    }
}

std::string Describe(const std::vector<LiveSignalValue>& values) {
    std::string text;
    for (const LiveSignalValue& value : values) {
        text += std::to_string(static_cast<int>(value.state)) + "/" +
                std::to_string(static_cast<int>(value.hint)) + " ";
    }
    return text;
}

struct ClipCase {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Hint hint;                     // the only hint the clip may show; None for none at all
    std::size_t hintFrom, hintTo;  // the second its hint first shows lies in this range
    LiveSignalValue last;          // the value of the clip's last second
};

TEST(LiveSignalTest, ShortClipsGiveTheirMarkAndTheirHintAfterAboutFiveSeconds) {
    const ClipCase cases[] = {
        {"clean beats", Heartbeat(12), Hint::None, 0, 0, {SignalState::Good, Hint::None}},
        {"probe on the mother's vessel",
         Heartbeat(12, Mother(80, 0.3, 12)),
         Hint::MaternalPulse,
         3,
         6,
         {SignalState::Weak, Hint::MaternalPulse}},
        {"mother's pulse at half the baby's rate shown",
         Heartbeat(12, Mother(72, 1.0), 145),
         Hint::HalfRate,
         3,
         6,
         {SignalState::Weak, Hint::HalfRate}},
        {"silence",
         std::vector<std::uint8_t>(12 * 16000, 128),
         Hint::NoHeartbeat,
         3,
         6,
         {SignalState::None, Hint::NoHeartbeat}},
        {"clipping",
         TooLoud(Heartbeat(12)),
         Hint::TooLoud,
         3,
         6,
         {SignalState::Weak, Hint::TooLoud}},
        // The hint goes once the probe is back on the baby.
        {"slip, then the baby again",
         Heartbeat(20, Mother(80, 0.3, 8)),
         Hint::MaternalPulse,
         3,
         6,
         {SignalState::Good, Hint::None}},
    };
    for (const ClipCase& c : cases) {
        std::vector<LiveSignalValue> values;
        LiveSignal live([&values](const LiveSignalValue& value) { values.push_back(value); });
        FeedAsCaptured(
            c.bytes, [&live](std::span<const std::uint8_t> block) { live.FeedBlock(block); },
            [&live](std::int32_t shown) { live.FeedShown(shown); });

        SCOPED_TRACE(std::string(c.name) + ": " + Describe(values));
        // One value a second, each given as soon as its second is judged.
        ASSERT_GE(values.size(), c.bytes.size() / 16000 - 1);
        EXPECT_EQ(values.back(), c.last);
        const auto first = std::find_if(values.begin(), values.end(), [](const LiveSignalValue& v) {
            return v.hint != Hint::None;
        });
        if (c.hint == Hint::None) {
            EXPECT_EQ(first, values.end());
            continue;
        }
        ASSERT_NE(first, values.end());
        EXPECT_EQ(first->hint, c.hint);
        const auto second = static_cast<std::size_t>(first - values.begin());
        EXPECT_GE(second, c.hintFrom);
        EXPECT_LE(second, c.hintTo);
        EXPECT_TRUE(std::all_of(values.begin(), values.end(), [&c](const LiveSignalValue& v) {
            return v.hint == Hint::None || v.hint == c.hint;
        }));
    }
}

// A baby slowing beside the mother's pulse, a slow baby and a heart talked over are never sent
// away: no hint to move the probe or check the cable; a voice that covers the heart is named.
TEST(LiveSignalTest, SlowBabiesAndTalkingGetNoHintToLookElsewhere) {
    const auto clip = [](double seconds, double bpm, const synth::ListeningOptions& listening,
                         std::uint32_t seed = 3) {
        return synth::SynthesizeCaptureBytes({seconds, bpm, bpm, seed}, listening);
    };
    synth::ListeningOptions decelerating = Mother(93, 0.35);
    decelerating.rateChanges.push_back({6, -55, 10, 15, 10});
    // So fast that the window smears him: lost on the way down, not heard again until he is back.
    synth::ListeningOptions fallingFast = Mother(63.9, 0.4);
    fallingFast.rateChanges.push_back({11.4, -65.7, 9.9, 10.3, 9.6});
    fallingFast.secondSoundDelay = 0.48;
    fallingFast.secondSoundGain = 0.28;
    fallingFast.snrDb = 22.7;
    synth::ListeningOptions softTalk;
    softTalk.talks.push_back({6, 14});
    softTalk.talkGain = 0.3;
    synth::ListeningOptions loudTalk;
    loudTalk.talks.push_back({6, 14});
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        std::optional<Hint> required;
    } cases[] = {
        {"deceleration to 85 beside the mother's pulse at 93", clip(45, 140, decelerating), {}},
        {"a fast fall onto the mother's pulse at 64", clip(50, 131, fallingFast, 1), {}},
        {"a fast fall onto the mother's pulse at 64, again", clip(50, 131, fallingFast, 4), {}},
        {"a slow baby", clip(24, 104, {}), {}},
        {"soft talking over the baby", clip(24, 140, softTalk), {}},
        {"talking that covers the baby", clip(24, 140, loudTalk), Hint::Talking},
    };
    for (const auto& c : cases) {
        std::vector<LiveSignalValue> values;
        LiveSignal live([&values](const LiveSignalValue& value) { values.push_back(value); });
        FeedAsCaptured(
            c.bytes, [&live](std::span<const std::uint8_t> block) { live.FeedBlock(block); },
            [&live](std::int32_t shown) { live.FeedShown(shown); });
        SCOPED_TRACE(std::string(c.name) + ": " + Describe(values));
        ASSERT_GE(values.size(), c.bytes.size() / 16000 - 1);
        for (const LiveSignalValue& value : values) {
            EXPECT_NE(value.hint, Hint::MaternalPulse);
            EXPECT_NE(value.hint, Hint::NoHeartbeat);
        }
        if (c.required) {
            EXPECT_TRUE(std::any_of(values.begin(), values.end(), [&c](const LiveSignalValue& v) {
                return v.hint == *c.required;
            }));
        }
    }
    EXPECT_STREQ(HintTextKey(Hint::Talking), "LiveHintTalking");
    EXPECT_STREQ(HintTextKey(Hint::Unsure), "LiveHintUnsure");
}

// "Slow heartbeat: baby or mother cannot be told apart" only where the check hears a slow heart
// beating at the number shown, and only once that has lasted: never over a fast baby whose rate the
// check finds elsewhere.
TEST(LiveSignalTest, TheCannotTellHintOnlyOverASlowHeartAtTheNumberShown) {
    // With a loud second sound just after mid-beat, the check follows two thirds of this fast
    // baby's rate (near 118) and so cannot place the 176-180 shown.
    synth::ListeningOptions midBeat = Mother(62, 0.5);
    midBeat.secondSoundDelay = 0.54;
    midBeat.secondSoundGain = 0.9;
    midBeat.snrDb = 18.0;
    const struct {
        const char* name;
        synth::SynthOptions baby;
        synth::ListeningOptions listening;
        bool cannotTell;
    } cases[] = {
        {"a fast baby with a loud second sound after mid-beat", {30, 179, 174, 3}, midBeat, false},
        {"a slow baby beside his mother's pulse at his rate",
         {40, 104, 104, 5},
         Mother(103, 0.5),
         true},
    };
    for (const auto& c : cases) {
        const auto bytes = synth::SynthesizeCaptureBytes(c.baby, c.listening);
        std::vector<LiveSignalValue> values;
        LiveSignal live([&values](const LiveSignalValue& value) { values.push_back(value); });
        FeedAsCaptured(
            bytes, [&live](std::span<const std::uint8_t> block) { live.FeedBlock(block); },
            [&live](std::int32_t shown) { live.FeedShown(shown); });
        SCOPED_TRACE(std::string(c.name) + ": " + Describe(values));
        EXPECT_EQ(std::any_of(values.begin(), values.end(),
                              [](const LiveSignalValue& v) { return v.hint == Hint::Unsure; }),
                  c.cannotTell);
    }
}

// Second by second, from the check of each second: a hint comes after four doubtful seconds out of
// five and stays over a stray one, "cannot tell" after eight out of ten; a clipped second still
// counts towards the check's own doubt; "no heartbeat heard" goes once a heart is heard again, and
// "mother's pulse" once the check cannot tell her from the baby.
TEST(LiveMarkTest, HintsFollowTheChecksOfTheLastSeconds) {
    // One letter a second: g good, m the mother's pulse heard at the shown rate, h half, n nothing
    // heard, u a slow rate that may be the baby's or the mother's, r her pulse where the baby lost
    // as he fell may beat too, l a rhythm but none of the baby's since he was lost as he fell fast,
    // f a slow rate shown while the check hears the baby at 176, s a heart heard at a rate settled
    // on hers while the number shows another, t talking over no heard heart; in capitals, the input
    // clipped.
    struct Second {
        ratecheck::SecondCheck check;
        std::int32_t shown;
        bool clipping;
    };
    const auto second = [](char c) {
        Second s{{}, 140, std::isupper(c) != 0};
        switch (std::tolower(c)) {
            case 'g':
                s.check = {ratecheck::Quality::Good, 140, false};
                break;
            case 'm':
                s.check = {ratecheck::Quality::Maternal, {}, false, true};
                s.shown = 80;
                break;
            case 'h':
                s.check = {ratecheck::Quality::Half, 140, false};
                s.shown = 70;
                break;
            case 'u':
                s.check = {ratecheck::Quality::Unsure, 104, false};
                s.shown = 103;
                break;
            case 'r':
                s.check = {ratecheck::Quality::Unsure, {}, false, true};
                s.shown = 75;
                break;
            case 'l':
                s.check = {ratecheck::Quality::Unsure, {}, false, false, true};
                s.shown = 94;
                break;
            case 'f':
                s.check = {ratecheck::Quality::Unsure, 176, false};
                s.shown = 97;
                break;
            case 's':
                s.check = {ratecheck::Quality::Unsure, {}, false, false, false, true};
                break;
            case 't':
                s.check = {ratecheck::Quality::None, {}, true};
                break;
            default:
                s.check = {ratecheck::Quality::None, {}, false};
        }
        return s;
    };
    // Marks: G good, W weak, N none. Hints: . none, M mother's pulse, L too loud, N no heartbeat,
    // T talking, U cannot tell.
    const struct {
        const char* name;
        const char* checks;
        const char* marks;
        const char* hints;
    } cases[] = {
        {"clean beats", "gggggg", "GGGGGG", "......"},
        {"on the mother's vessel", "gmmmmm", "GWWWWW", "....MM"},
        {"a stray half second keeps her hint", "mmmmhmm", "WWWWWWW", "...MMMM"},
        {"good seconds clear it", "mmmmggm", "WWWWGGW", "...M..."},
        {"a clipped second on her vessel still counts", "mmMmm", "WWWWW", "...MM"},
        {"clipping beats, then clean ones", "GGGGGgg", "WWWWWGG", "...LL.."},
        {"a lift, then a slow heart", "nnnnuuuuuuuu", "NNNNWWWWWWWW", "...N.......U"},
        {"a lift, then the mother's pulse", "nnnnmm", "NNNNWW", "...N.."},
        {"the mother's pulse, then a slow rate", "mmmmuuuuuuuu", "WWWWWWWWWWWW", "...M.......U"},
        {"a slow rate the check cannot place, named once it lasts", "uuuuuuuuuu", "WWWWWWWWWW",
         ".......UUU"},
        {"her pulse where the falling baby may beat, named as a slow rate", "rrrrrrrrrr",
         "WWWWWWWWWW", ".......UUU"},
        {"and it gainsays her hint", "mmmmrr", "WWWWWW", "...M.."},
        {"a baby lost as he fell fast is not said to be gone", "gglllllll", "GGWWWWWWW",
         "........."},
        {"two stray good seconds among them", "uuuuguuguuuuu", "WWWWGWWGWWWWW", ".........UUUU"},
        {"the baby heard apart from a slow number is no slow heartbeat", "ffffffffff", "WWWWWWWWWW",
         ".........."},
        {"and still gainsays her hint", "mmmmff", "WWWWWW", "...M.."},
        {"a heart heard where no rate is given is not said to be gone", "ggsssssss", "GGWWWWWWW",
         "........."},
        {"talking over no heard heart", "ttttt", "NNNNN", "...TT"},
    };
    for (const auto& c : cases) {
        LiveMark mark;
        std::string marks;
        std::string hints;
        for (const char* p = c.checks; *p != '\0'; ++p) {
            const Second s = second(*p);
            const LiveSignalValue value = mark.Next(s.check, s.shown, s.clipping);
            marks += "GWN"[static_cast<int>(value.state)];
            hints += ".MHNLTU"[static_cast<int>(value.hint)];
        }
        SCOPED_TRACE(c.name);
        EXPECT_EQ(marks, c.marks);
        EXPECT_EQ(hints, c.hints);
    }
}

// On the capture thread: nothing at a run's open and close, so the window clears the mark, and a
// new run starts without the doubts of the last.
TEST(LiveSignalTest, ListenerGivesNothingAtOpenAndCloseAndStartsEachRunAfresh) {
    std::vector<std::optional<LiveSignalValue>> given;
    LiveSignalListener listener(
        [&given](std::optional<LiveSignalValue> value) { given.push_back(value); });
    const auto run = [&listener](const std::vector<std::uint8_t>& bytes) {
        listener.OnCaptureOpen();
        FeedAsCaptured(
            bytes,
            [&listener](std::span<const std::uint8_t> block) { listener.OnAudioBlock(block); },
            [&listener](std::int32_t shown) { listener.OnHeartRate(shown); });
        listener.OnCaptureClose();
    };

    run(std::vector<std::uint8_t>(8 * 16000, 128));
    ASSERT_GE(given.size(), 4u);
    EXPECT_EQ(given.front(), std::nullopt);
    EXPECT_EQ(given.back(), std::nullopt);
    EXPECT_EQ(given[given.size() - 2], (LiveSignalValue{SignalState::None, Hint::NoHeartbeat}));

    given.clear();
    run(Heartbeat(3));
    ASSERT_GE(given.size(), 3u);
    EXPECT_EQ(given.front(), std::nullopt);
    EXPECT_TRUE(std::all_of(given.begin() + 1, given.end() - 1,
                            [](const auto& value) { return value && value->hint == Hint::None; }));
}

// Blocks of one level each, in order: the value after the last, as the meter shows it.
TEST(InputLevelTest, PeakOfTheNewestBlockAndClippingOnlyWhileSeveralRecentBlocksClip) {
    const auto block = [](int low, int high) {
        std::vector<std::uint8_t> bytes(1600);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>((i / 2) % 2 == 0 ? low : high);
        }
        return bytes;
    };
    const auto silent = block(128, 128);
    const auto half = block(64, 192);
    const auto clipped = block(0, 255);
    struct Case {
        const char* name;
        std::vector<std::vector<std::uint8_t>> blocks;
        double peak;
        bool clipping;
    };
    const Case cases[] = {
        {"silence", {silent}, 0.0, false},
        {"half scale", {half}, 64.0 / 127.0, false},
        {"two clipped blocks", {clipped, clipped}, 1.0, false},
        {"three clipped blocks", {clipped, silent, clipped, clipped}, 1.0, true},
        {"a quiet block after them", {clipped, clipped, clipped, silent}, 0.0, true},
        {"ten blocks later",
         {clipped, clipped, clipped, silent, silent, silent, silent, silent, silent, silent, silent,
          silent, silent},
         0.0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InputLevel level;
        InputLevelValue value;
        for (const auto& bytes : c.blocks) {
            value = level.Feed(bytes);
        }
        EXPECT_NEAR(value.peak, c.peak, 1e-9);
        EXPECT_EQ(value.clipping, c.clipping);
        level.Restart();
        EXPECT_FALSE(level.Clipping());
    }
}

}  // namespace
}  // namespace marulo::livesignal
