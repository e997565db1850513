// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "ratecheck/BandEnvelopes.h"

// The scale the rhythm of the band envelopes is read on (periods in envelope frames) and the
// levels that tell a heart from a vessel, shared by the band correlations and the estimator.
namespace marulo::ratecheck::rhythm {

inline constexpr double kFramesPerMinute = 60.0 * kEnvelopeRate;
inline constexpr std::size_t kShortestWindow = 2 * kEnvelopeRate;
// Periods in envelope frames: the baby 230..100 bpm, the mother 118..50 bpm (her pulse rises 10-20
// bpm in pregnancy).
inline constexpr std::size_t kFetalShortest = 26;
inline constexpr std::size_t kFetalLongest = 60;
// A baby followed as his rate falls, down to 70 bpm.
inline constexpr std::size_t kSlowLongest = 86;
inline constexpr std::size_t kMaternalShortest = 51;
inline constexpr std::size_t kMaternalLongest = 120;
inline constexpr std::size_t kFirstLag = kFetalShortest / 3 - 1;
inline constexpr std::size_t kLastLag = 2 * kMaternalLongest + 1;
// Beyond this only the doubles of the mother's peaks are needed, computed one by one.
inline constexpr std::size_t kLastDenseLag = 2 * kFetalLongest + 1;
static_assert(kMaternalLongest < kLastDenseLag, "her range and its neighbours are dense");

inline constexpr double kSlowFetalBpm = 110.0;  // below this the mother's pulse may beat alike
// Her fastest pulse: a rhythm up to this rate with a sign of her is hers.
inline constexpr double kMaternalFastestBpm = 118.0;
// Her pulse mostly keeps below this.
inline constexpr double kUsualMaternalFastestBpm = 105.0;
inline constexpr double kUsualSlowestBpm = 100.0;
// A rhythm this fast or faster with no sign of the mother may be a slow baby's.
inline constexpr double kUnsignedSlowestBpm = 95.0;
inline constexpr double kFastFetalBpm = 200.0;
// How far from the baby's last period a new slow rhythm is the mother's: a baby slows gradually, a
// probe slipping onto her vessel jumps.
inline constexpr double kJumped = 0.15;
inline constexpr float kTimbreMargin = 0.15F;
// A rhythm this much stronger in the lowest band than in the highest sounds like her vessel, even
// where she is loud enough to be heard high too.
inline constexpr float kFarDeeper = 0.25F;
// A baby recovering from a fall to her rate is heard apart from her again before he beats 1.6 times
// as fast; the gap after a slow baby's second sound mostly beats faster still.
inline constexpr double kRisenFromHer = 0.45;
// Two unlike sounds half a beat apart correlate at the half beat much less than at the whole.
inline constexpr float kHalfOfBeat = 0.6F;
// How much better a beat of two sounds repeats at the whole and the double beat than at the half
// and one and a half beats, the second sound falling off mid-beat and unlike the first.
inline constexpr float kTwoSoundAlternation = 0.05F;
// The second sound follows the first 0.28 to 0.6 of the beat on: the longer of the two gaps is at
// most this much of the beat.
inline constexpr double kLongerGap = 0.72;
// A beat this faint in a band still tells whether half a beat on sounds there too.
inline constexpr float kFaintBeat = 0.2F;
// Where a second sound is told from the first: 0.28 to 0.45 of the beat after or before it.
inline constexpr double kSecondSoundEarliest = 0.28;
inline constexpr double kSecondSoundLatest = 0.45;
inline constexpr float kSecondSound = 0.2F;
// Seconds in a row the baby's rhythm must have been followed before a jump from it counts.
inline constexpr int kSteadySeconds = 4;
inline constexpr float kFetalConfidence = 0.30F;
// Over a voice the baby's rhythm must stand out more to be believed.
inline constexpr float kTalkedOverConfidence = 0.45F;
inline constexpr float kMaternalConfidence = 0.40F;
inline constexpr float kRhythmic = 0.30F;
inline constexpr std::size_t kRecentFrames = 2 * kEnvelopeRate;
inline constexpr float kRecentConfidence = 0.15F;
inline constexpr double kSamePeriod = 0.06;  // relative
inline constexpr float kQuantisedPeak = 2047.0F;
// The voice, and a heart's valves, sound mostly in the middle band.
inline constexpr std::size_t kVoiceBand = 1;
// A baby's sounds reach the highest band, where her vessel's deep swell is faint.
inline constexpr std::size_t kHighestBand = kBands - 1;

inline double Bpm(double period) {
    return kFramesPerMinute / period;
}

// The correlation at a fractional lag, by linear interpolation.
inline float At(const std::vector<float>& r, double lag) {
    const auto below = static_cast<std::size_t>(lag);
    const double part = lag - static_cast<double>(below);
    if (below + 1 >= r.size()) {
        return r.back();
    }
    return static_cast<float>((1.0 - part) * r[below] + part * r[below + 1]);
}

// The peak's position between integer lags from a parabola through its neighbours.
inline double RefinedPeak(const std::vector<float>& r, std::size_t lag) {
    const double left = r[lag - 1];
    const double centre = r[lag];
    const double right = r[lag + 1];
    const double curvature = left - 2.0 * centre + right;
    if (curvature >= 0.0) {
        return static_cast<double>(lag);
    }
    return static_cast<double>(lag) + std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5);
}

inline bool SamePeriod(double a, double b) {
    return std::abs(a - b) <= kSamePeriod * std::max(a, b);
}

inline double LogDistance(double a, double b) {
    return std::abs(std::log(a / b));
}

// Drops all but the newest values of a window kept a frame each.
template <typename Value>
void KeepNewest(std::vector<Value>& values, std::size_t count) {
    if (values.size() > count) {
        values.erase(values.begin(),
                     values.begin() + static_cast<std::ptrdiff_t>(values.size() - count));
    }
}

}  // namespace marulo::ratecheck::rhythm
