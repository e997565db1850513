// SPDX-License-Identifier: GPL-3.0-or-later
// The live mark scored on the generated recordings of the rate check's set, fed as the capture
// thread feeds it: 0.1 s blocks in real-time order, each first to the mark, then to the detector,
// and every tenth block's rate to the mark (without waiting in real time).
// usage: live_signal_bench [CLIPS] [FIRST_SEED] [other|apart]
//   (default 60 one-minute clips from seed 1000; "other" or "apart" draws them from another spread)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "acquisition/BlockAnalyzer.h"
#include "acquisition/CaptureFormat.h"
#include "bench/ratecheck/ClipSet.h"
#include "livesignal/LiveSignal.h"

namespace {

namespace synth = marulo::synth;
using namespace marulo::bench;
using namespace marulo::livesignal;

constexpr double kHintWithinSeconds = 8.0;

struct Tally {
    int cleanRight = 0;  // shown rate right, the audio clean for as long as it is judged
    int cleanRightGood = 0;
    int cleanWithHint = 0;
    // The same, where the number shown is not her pulse too: with it, no mark can tell whose it is.
    int cleanRightApart = 0;
    int cleanApartGood = 0;
    int cleanApartWithHint = 0;
    int maternalOrHalf = 0;  // shown rate the mother's pulse or half the baby's, not the baby's
    int maternalOrHalfNotGood = 0;
    int slips = 0;
    int slipsHinted = 0;
    double slipHintSeconds = 0.0;
    int lifts = 0;
    int liftsHinted = 0;
    int slowRight = 0;  // a baby below 110 shown right
    int slowRightGood = 0;
    int slowRightAway = 0;  // with the hint of the mother's pulse or of no heartbeat
    int slowRightApart = 0;
    int slowRightApartAway = 0;
    int talkHeard = 0;  // talking over a heart still heard
    int talkHeardTalking = 0;
    int talkHeardNoHeartbeat = 0;
    int scored = 0;  // seconds after the warm-up, for how often the mark and the hint change
    int markChanges = 0;
    int hintChanges = 0;
};

struct Published {
    LiveSignalValue value;
    double atSeconds = 0.0;  // audio time when it was given
};

bool CleanFor(const std::vector<synth::SecondTruth>& truth, int second, int span) {
    for (int t = std::max(0, second - span); t <= second; ++t) {
        if (truth[t].condition != "clean") {
            return false;
        }
    }
    return true;
}

// The first hint of this kind given from `start` seconds on, in seconds after `start`.
std::optional<double> HintDelay(const std::vector<Published>& values, Hint hint, double start) {
    for (const Published& p : values) {
        if (p.atSeconds >= start && p.value.hint == hint) {
            return p.atSeconds - start;
        }
    }
    return std::nullopt;
}

void Score(const Clip& clip, Tally& tally) {
    using namespace marulo::acquisition;
    const auto bytes = synth::SynthesizeCaptureBytes(clip.options, clip.listening);
    const auto truth = synth::TruthPerSecond(clip.options, clip.listening);
    std::vector<Published> values;
    std::vector<std::int32_t> shown;
    double now = 0.0;
    LiveSignal live([&](const LiveSignalValue& value) { values.push_back({value, now}); });
    BlockAnalyzer analyzer;
    for (std::size_t offset = 0; offset + kBlockBytes <= bytes.size(); offset += kBlockBytes) {
        const std::span block(bytes.data() + offset, kBlockBytes);
        now = static_cast<double>(offset + kBlockBytes) / (kBlockBytes * kBlocksPerReport);
        live.FeedBlock(block);
        if (const auto rate = analyzer.ProcessBlock(block)) {
            shown.push_back(*rate);
            live.FeedShown(*rate);
        }
    }

    const int count = static_cast<int>(std::min({values.size(), shown.size(), truth.size()}));
    for (int n = kWarmUpSeconds; n < count; ++n) {
        const bool right = shown[n] > 0 && NearAny(shown[n], truth, n, kTruthSeconds, false);
        const bool good = values[n].value.state == SignalState::Good;
        ++tally.scored;
        tally.markChanges += values[n].value.state != values[n - 1].value.state;
        tally.hintChanges += values[n].value.hint != values[n - 1].value.hint;
        if (right && CleanFor(truth, n, kTruthSeconds)) {
            ++tally.cleanRight;
            tally.cleanRightGood += good;
            tally.cleanWithHint += values[n].value.hint != Hint::None;
            if (!NearAny(shown[n], truth, n, 0, true)) {
                ++tally.cleanRightApart;
                tally.cleanApartGood += good;
                tally.cleanApartWithHint += values[n].value.hint != Hint::None;
            }
        }
        if (right && truth[n].fetalBpm && *truth[n].fetalBpm < 110.0) {
            ++tally.slowRight;
            tally.slowRightGood += good;
            const Hint hint = values[n].value.hint;
            const bool away = hint == Hint::MaternalPulse || hint == Hint::NoHeartbeat;
            tally.slowRightAway += away;
            if (!NearAny(shown[n], truth, n, 0, true)) {
                ++tally.slowRightApart;
                tally.slowRightApartAway += away;
            }
        }
        if (truth[n].condition == "talk-heard") {
            ++tally.talkHeard;
            tally.talkHeardTalking += values[n].value.hint == Hint::Talking;
            tally.talkHeardNoHeartbeat += values[n].value.hint == Hint::NoHeartbeat;
        }
        const bool wrongKind =
            shown[n] > 0 && (NearAny(shown[n], truth, n, kTruthSeconds, true) ||
                             NearAny(shown[n], truth, n, kTruthSeconds, false, 0.5));
        if (!right && wrongKind) {
            ++tally.maternalOrHalf;
            tally.maternalOrHalfNotGood += !good;
        }
    }
    for (const synth::Stretch& slip : clip.listening.slips) {
        ++tally.slips;
        if (const auto delay = HintDelay(values, Hint::MaternalPulse, slip.start);
            delay && *delay <= kHintWithinSeconds) {
            ++tally.slipsHinted;
            tally.slipHintSeconds += *delay;
        }
    }
    for (const synth::Lift& lift : clip.listening.lifts) {
        ++tally.lifts;
        if (const auto delay = HintDelay(values, Hint::NoHeartbeat, lift.when.start);
            delay && *delay <= kHintWithinSeconds) {
            ++tally.liftsHinted;
        }
    }
}

double Share(int part, int whole) {
    return whole == 0 ? 0.0 : 100.0 * part / whole;
}

}  // namespace

int main(int argc, char** argv) {
    const int clips = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const auto firstSeed = static_cast<std::uint32_t>(argc > 2 ? std::atoi(argv[2]) : 1000);
    const Spread spread = marulo::bench::SpreadNamed(argc > 3 ? argv[3] : "");
    Tally t;
    for (int i = 0; i < clips; ++i) {
        Score(MakeClip(firstSeed + static_cast<std::uint32_t>(i), spread), t);
    }
    std::printf("%d clips of %.0f s, seeds %u..%u, %s spread\n", clips, kClipSeconds, firstSeed,
                firstSeed + static_cast<std::uint32_t>(clips) - 1,
                marulo::bench::SpreadName(spread));
    std::printf("good on right rate, clean audio:      %5.1f %% of %d s (goal >= 95)\n",
                Share(t.cleanRightGood, t.cleanRight), t.cleanRight);
    std::printf("  where the number is not her pulse too: %3.1f %% of %d s\n",
                Share(t.cleanApartGood, t.cleanRightApart), t.cleanRightApart);
    std::printf("not good on mother's pulse or half:   %5.1f %% of %d s (goal >= 95)\n",
                Share(t.maternalOrHalfNotGood, t.maternalOrHalf), t.maternalOrHalf);
    std::printf(
        "slips hinted within %.0f s:             %5.1f %% of %d (goal >= 90), mean %.1f s\n",
        kHintWithinSeconds, Share(t.slipsHinted, t.slips), t.slips,
        t.slipsHinted == 0 ? 0.0 : t.slipHintSeconds / t.slipsHinted);
    std::printf("lifts hinted within %.0f s:             %5.1f %% of %d\n", kHintWithinSeconds,
                Share(t.liftsHinted, t.lifts), t.lifts);
    std::printf("any hint on right rate, clean audio:  %5.1f %% (goal <= 2)\n",
                Share(t.cleanWithHint, t.cleanRight));
    std::printf("  where the number is not her pulse too: %3.1f %% of %d s\n",
                Share(t.cleanApartWithHint, t.cleanRightApart), t.cleanRightApart);
    std::printf("slow baby shown right: good           %5.1f %% of %d s\n",
                Share(t.slowRightGood, t.slowRight), t.slowRight);
    std::printf("slow baby shown right: pulse/none hint %4.1f %% (goal <= 2)\n",
                Share(t.slowRightAway, t.slowRight));
    std::printf("  where the number is not her pulse too: %3.1f %% of %d s\n",
                Share(t.slowRightApartAway, t.slowRightApart), t.slowRightApart);
    std::printf(
        "talking over a heard heart: talking   %5.1f %% of %d s, no-heartbeat hint %.1f %%\n",
        Share(t.talkHeardTalking, t.talkHeard), t.talkHeard,
        Share(t.talkHeardNoHeartbeat, t.talkHeard));
    std::printf("changes a minute: mark %.1f, hint %.1f\n", 60.0 * t.markChanges / t.scored,
                60.0 * t.hintChanges / t.scored);
    return 0;
}
