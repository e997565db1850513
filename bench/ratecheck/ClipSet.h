// SPDX-License-Identifier: GPL-3.0-or-later
// The set of generated recordings the second analysis and the live mark are scored on.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/synth/SyntheticRecording.h"

namespace marulo::bench {

inline constexpr double kClipSeconds = 60.0;
inline constexpr double kRightBpm = 5.0;
// A shown rate is right if it matches the truth of one of the last seconds.
inline constexpr int kTruthSeconds = 3;
// The detector's and the check's warm-up at the start of each clip, not scored.
inline constexpr int kWarmUpSeconds = 4;

struct Clip {
    synth::SynthOptions options;
    synth::ListeningOptions listening;
    std::string maternal;
    std::string snrBand;
    std::string baby;  // normal, slow, fast, decel or accel
};

// The ranges the clips are drawn from: one set to tune on, another, wider and shifted, and a third
// kept apart from all tuning, to see the analysis on audio it was not tuned on.
enum class Spread { Tuning, Other, Apart };

// The spread named on a bench's command line: "other", "apart", or the tuning one.
inline Spread SpreadNamed(const std::string& name) {
    return name == "other" ? Spread::Other : name == "apart" ? Spread::Apart : Spread::Tuning;
}

inline const char* SpreadName(Spread spread) {
    return spread == Spread::Other ? "other" : spread == Spread::Apart ? "apart" : "tuning";
}

// What the baby's heart does in a clip, from a draw of 0..9: a fifth of the clips slow, a fifth
// fast, three tenths slowing and a tenth quickening (where a check tuned on the usual rates goes
// wrong), the rest usual; gives the range of the baby's rate for it.
struct RateRange {
    double low = 0.0;
    double high = 0.0;
};

struct BabyRanges {
    RateRange usual;
    RateRange slow;
    RateRange fast;
    RateRange changing;
};

inline RateRange BabyOfDraw(unsigned kind, const BabyRanges& ranges, std::string& baby) {
    const struct {
        const char* name;
        RateRange range;
    } kinds[] = {{"slow", ranges.slow},      {"slow", ranges.slow},      {"fast", ranges.fast},
                 {"fast", ranges.fast},      {"decel", ranges.changing}, {"decel", ranges.changing},
                 {"decel", ranges.changing}, {"accel", ranges.changing}};
    if (kind >= std::size(kinds)) {
        baby = "normal";
        return ranges.usual;
    }
    baby = kinds[kind].name;
    return kinds[kind].range;
}

// A clip of the spread kept apart: other rates, sounds, strengths and events than either of the
// others, drawn in another order.
inline Clip MakeApartClip(std::uint32_t seed) {
    std::mt19937 draw(seed * 2654435761u + 17u);
    const auto uniform = [&draw](double low, double high) {
        return low + (high - low) * static_cast<double>(draw()) / 4294967296.0;
    };
    Clip clip;
    synth::ListeningOptions& l = clip.listening;
    const double snr = uniform(-10, 35);
    l.snrDb = snr;
    clip.snrBand = snr < 0 ? "snr<0" : snr < 10 ? "snr0-10" : "snr>=10";
    const auto [low, high] =
        BabyOfDraw(draw() % 10, {{105, 185}, {96, 112}, {158, 210}, {115, 165}}, clip.baby);
    clip.options = {kClipSeconds, uniform(low, high), 0, seed};
    clip.options.bpmEnd = std::clamp(clip.options.bpmStart + uniform(-10, 10), low, high);
    l.secondSoundDelay = uniform(0.28, 0.6);
    l.secondSoundGain = uniform(0.1, 1.1);
    const double gains[] = {0.0, 0.05, 0.2, 0.4, 0.65, 1.0};
    l.maternalGain = gains[draw() % 6];
    l.maternalBpm = draw() % 4 == 0
                        ? std::clamp(clip.options.bpmStart / 2.0 + uniform(-4, 4), 50.0, 110.0)
                        : uniform(50, 110);
    const bool changes = clip.baby == "decel" || clip.baby == "accel";
    if (changes) {
        synth::RateChange change;
        change.start = uniform(5, 14);
        change.fall = uniform(3, 40);
        change.hold = uniform(3, 18);
        change.recovery = uniform(4, 20);
        change.depthBpm = clip.baby == "accel" ? uniform(10, 40) : -uniform(15, 80);
        if (clip.baby == "decel") {
            const double floor = std::max(65.0, clip.options.bpmStart + change.depthBpm);
            change.depthBpm = floor - clip.options.bpmStart;
            if (draw() % 5 < 3) {
                l.maternalBpm = std::clamp(floor + uniform(-10, 10), 50.0, 110.0);
                l.maternalGain = std::max(l.maternalGain, uniform(0.1, 0.9));
            }
        }
        l.rateChanges.push_back(change);
    }
    clip.maternal = l.maternalGain == 0.0  ? "none"
                    : l.maternalGain < 0.2 ? "weak"
                    : l.maternalGain < 0.5 ? "medium"
                                           : "strong";
    if (!changes && draw() % 2 == 0) {
        l.slips.push_back({uniform(4, 12), uniform(4, 15)});
    }
    if (!changes && draw() % 2 == 0) {
        l.lifts.push_back(
            {{uniform(26, 32), uniform(4, 12)}, static_cast<synth::LiftedSound>(draw() % 3)});
    }
    if (draw() % 2 == 0) {
        l.talks.push_back({uniform(42, 50), uniform(3, 9)});
        const double talkGains[] = {0.05, 0.2, 0.45, 0.7, 1.2, 2.0};
        l.talkGain = talkGains[draw() % 6];
    } else if (draw() % 3 == 0) {
        l.turnedUp.push_back({uniform(38, 46), uniform(4, 12)});
    }
    return clip;
}

// One clip of the set: everything drawn from the seed.
inline Clip MakeClip(std::uint32_t seed, Spread spread = Spread::Tuning) {
    if (spread == Spread::Apart) {
        return MakeApartClip(seed);
    }
    std::mt19937 draw(seed);
    const auto uniform = [&draw](double low, double high) {
        return low + (high - low) * static_cast<double>(draw()) / 4294967296.0;
    };
    const bool other = spread == Spread::Other;
    Clip clip;
    synth::ListeningOptions& l = clip.listening;
    const auto [low, high] = BabyOfDraw(draw() % 10,
                                        {{110, 180},
                                         {other ? 98.0 : 100.0, 110},
                                         {other ? 165.0 : 160.0, other ? 205.0 : 200.0},
                                         {120, 160}},
                                        clip.baby);
    clip.options = {kClipSeconds, uniform(low, high), 0, seed};
    clip.options.bpmEnd = std::clamp(clip.options.bpmStart + uniform(-8, 8), low, high);
    l.secondSoundDelay = other ? uniform(0.3, 0.55) : uniform(0.35, 0.5);
    l.secondSoundGain = other ? uniform(0.15, 1.0) : uniform(0.2, 0.9);
    l.maternalBpm = other ? uniform(55, 105) : uniform(60, 100);
    // A mother's pulse near half the baby's rate is the detector's known trap; make it common.
    if (draw() % 3 == 0) {
        l.maternalBpm = std::clamp(clip.options.bpmStart / 2.0 + uniform(-3, 3), 55.0, 100.0);
    }
    const double gains[] = {0.0, 0.15, 0.35, 0.6};
    const double otherGains[] = {0.0, 0.1, 0.3, 0.5, 0.8};
    l.maternalGain = other ? otherGains[draw() % 5] : gains[draw() % 4];
    clip.maternal = l.maternalGain == 0.0  ? "none"
                    : l.maternalGain < 0.2 ? "weak"
                    : l.maternalGain < 0.5 ? "medium"
                                           : "strong";
    const double snr = other ? uniform(-15, 30) : uniform(-12, 25);
    l.snrDb = snr;
    clip.snrBand = snr < 0 ? "snr<0" : snr < 10 ? "snr0-10" : "snr>=10";
    const bool changes = clip.baby == "decel" || clip.baby == "accel";
    if (changes) {
        // The change fills the first two thirds of the clip; talking may come after it.
        synth::RateChange change;
        change.start = uniform(6, 12);
        change.fall = other ? uniform(4, 30) : uniform(5, 25);
        change.hold = uniform(5, 15);
        change.recovery = uniform(5, 15);
        change.depthBpm = clip.baby == "accel" ? uniform(15, 35) : -uniform(20, 70);
        if (clip.baby == "decel") {
            // Keep the floor a baby's (above 70) and often put the mother's pulse right beside it.
            const double floor = std::max(72.0, clip.options.bpmStart + change.depthBpm);
            change.depthBpm = floor - clip.options.bpmStart;
            if (draw() % 2 == 0) {
                l.maternalBpm = std::clamp(floor + uniform(-8, 8), 55.0, 105.0);
                l.maternalGain =
                    std::max(l.maternalGain, other ? uniform(0.1, 0.7) : uniform(0.15, 0.6));
                clip.maternal = l.maternalGain < 0.2   ? "weak"
                                : l.maternalGain < 0.5 ? "medium"
                                                       : "strong";
            }
        }
        l.rateChanges.push_back(change);
    }
    if (!other && clip.baby == "slow") {
        // A third of the slow babies near 100 and alone, with a loud second sound a third of the
        // beat on: the gap after it beats at a baby's rate. Drawn apart so that the other clips
        // stay as they were.
        std::mt19937 apart(seed ^ 0x5EC0u);
        const auto between = [&apart](double from, double to) {
            return from + (to - from) * static_cast<double>(apart()) / 4294967296.0;
        };
        if (apart() % 3 == 0) {
            clip.options.bpmStart = between(98, 102);
            clip.options.bpmEnd = clip.options.bpmStart + between(-1, 1);
            l.secondSoundDelay = between(0.35, 0.45);
            l.secondSoundGain = between(0.7, 1.0);
            l.maternalGain = 0.0;
            clip.maternal = "none";
        }
    }
    // Events in separate thirds of the clip so they do not overlap.
    if (!changes && draw() % 2 == 0) {
        l.slips.push_back({uniform(5, 12), uniform(6, 12)});
    }
    if (!changes && draw() % 2 == 0) {
        l.lifts.push_back(
            {{uniform(25, 30), uniform(5, 10)}, static_cast<synth::LiftedSound>(draw() % 3)});
    }
    if (draw() % 2 == 0) {
        l.talks.push_back({uniform(45, 48), uniform(4, 8)});
        const double talkGains[] = {0.15, 0.3, 0.5, 1.0};
        const double otherTalkGains[] = {0.1, 0.25, 0.4, 0.8, 1.5};
        l.talkGain = other ? otherTalkGains[draw() % 5] : talkGains[draw() % 4];
    } else if (draw() % 3 == 0) {
        l.turnedUp.push_back({uniform(40, 45), uniform(5, 10)});
    }
    return clip;
}

// Whether a rate lies within kRightBpm (or `within`) of the baby's (or the mother's) rate, times a
// factor, in any of the seconds from `span` before `second` to it.
inline bool NearAny(double value, const std::vector<synth::SecondTruth>& truth, int second,
                    int span, bool maternal, double factor = 1.0, double within = kRightBpm) {
    for (int t = std::max(0, second - span); t <= second; ++t) {
        const auto& rate = maternal ? truth[t].maternalBpm : truth[t].fetalBpm;
        if (rate && std::abs(value - *rate * factor) <= within) {
            return true;
        }
    }
    return false;
}

}  // namespace marulo::bench
