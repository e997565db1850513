// SPDX-License-Identifier: GPL-3.0-or-later
// The set of generated recordings the second analysis and the live mark are scored on.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
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
};

// One clip of the set: everything drawn from the seed.
inline Clip MakeClip(std::uint32_t seed) {
    std::mt19937 draw(seed);
    const auto uniform = [&draw](double low, double high) {
        return low + (high - low) * static_cast<double>(draw()) / 4294967296.0;
    };
    Clip clip;
    clip.options = {kClipSeconds, uniform(110, 180), uniform(110, 180), seed};
    clip.options.bpmEnd = std::clamp(clip.options.bpmStart + uniform(-15, 15), 110.0, 180.0);
    synth::ListeningOptions& l = clip.listening;
    l.secondSoundDelay = uniform(0.35, 0.5);
    l.secondSoundGain = uniform(0.2, 0.9);
    l.maternalBpm = uniform(60, 100);
    // A mother's pulse near half the baby's rate is the detector's known trap; make it common.
    if (draw() % 3 == 0) {
        l.maternalBpm = std::clamp(clip.options.bpmStart / 2.0 + uniform(-3, 3), 55.0, 100.0);
    }
    const double gains[] = {0.0, 0.15, 0.35, 0.6};
    l.maternalGain = gains[draw() % 4];
    clip.maternal = l.maternalGain == 0.0  ? "none"
                    : l.maternalGain < 0.2 ? "weak"
                    : l.maternalGain < 0.5 ? "medium"
                                           : "strong";
    const double snr = uniform(-12, 25);
    l.snrDb = snr;
    clip.snrBand = snr < 0 ? "snr<0" : snr < 10 ? "snr0-10" : "snr>=10";
    // Events in separate thirds of the clip so they do not overlap.
    if (draw() % 2 == 0) {
        l.slips.push_back({uniform(5, 12), uniform(6, 12)});
    }
    if (draw() % 2 == 0) {
        l.lifts.push_back(
            {{uniform(25, 30), uniform(5, 10)}, static_cast<synth::LiftedSound>(draw() % 3)});
    }
    if (draw() % 3 == 0) {
        l.talks.push_back({uniform(45, 48), uniform(4, 8)});
    }
    return clip;
}

// Whether a rate lies within kRightBpm of the baby's (or the mother's) rate, times a factor, in
// any of the seconds from `span` before `second` to it.
inline bool NearAny(double value, const std::vector<synth::SecondTruth>& truth, int second,
                    int span, bool maternal, double factor = 1.0) {
    for (int t = std::max(0, second - span); t <= second; ++t) {
        const auto& rate = maternal ? truth[t].maternalBpm : truth[t].fetalBpm;
        if (rate && std::abs(value - *rate * factor) <= kRightBpm) {
            return true;
        }
    }
    return false;
}

}  // namespace marulo::bench
