// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/BandRhythms.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ratecheck/RhythmScale.h"

namespace marulo::ratecheck {

using namespace rhythm;

std::vector<std::size_t> BandRhythms::Correlate(
    const std::array<std::vector<float>, kBands>& history) {
    std::vector<std::size_t> usable;
    for (std::size_t b = 0; b < kBands; ++b) {
        m_usable[b] = CorrelateBand(b, history[b]);
        if (m_usable[b]) {
            usable.push_back(b);
        }
    }
    return usable;
}

void BandRhythms::FillLag(std::size_t band, std::size_t lag) {
    m_correlations[band][lag] = LagCorrelation(band, lag);
}

// Normalised autocorrelation of one band over lags up to kLastDenseLag (the rest 0 until asked
// for); false for a band without variation. Whole numbers keep it exact and let the products go
// through the vector unit.
bool BandRhythms::CorrelateBand(std::size_t band, const std::vector<float>& history) {
    std::vector<float>& correlation = m_correlations[band];
    const std::size_t n = history.size();
    double mean = 0.0;
    for (const float value : history) {
        mean += value;
    }
    mean /= static_cast<double>(n);
    float peak = 0.0F;
    for (const float value : history) {
        peak = std::max(peak, std::abs(value - static_cast<float>(mean)));
    }
    if (peak < 1e-3F) {
        return false;
    }
    const float scale = kQuantisedPeak / peak;
    std::vector<std::int16_t>& quantised = m_quantised[band];
    quantised.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        quantised[i] = static_cast<std::int16_t>((history[i] - static_cast<float>(mean)) * scale);
    }
    const std::int16_t* q = quantised.data();
    correlation.assign(kLastLag + 1, 0.0F);
    // At most 400 squares of 2047: 32 bits hold every sum here.
    std::int32_t energy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        energy += q[i] * q[i];
    }
    if (energy == 0) {
        return false;
    }
    m_power[band] = static_cast<double>(energy) / static_cast<double>(n);
    for (std::size_t lag = kFirstLag; lag <= kLastDenseLag; ++lag) {
        correlation[lag] = LagCorrelation(band, lag);
    }
    return true;
}

float BandRhythms::LagCorrelation(std::size_t band, std::size_t lag) const {
    const std::vector<std::int16_t>& q = m_quantised[band];
    if (lag + kEnvelopeRate / 2 >= q.size()) {
        return 0.0F;
    }
    std::int32_t sum = 0;
    for (std::size_t i = lag; i < q.size(); ++i) {
        sum += q[i] * q[i - lag];
    }
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(q.size() - lag) /
                              m_power[band]);
}

// The correlation at one lag over one half of the window only (the later half, or with earlier
// the one before it): a rhythm that has just stopped, or that a few chance syllables made up,
// does not hold in both.
float BandRhythms::HalfCorrelation(std::size_t band, double lag, bool earlier) const {
    const std::vector<std::int16_t>& q = m_quantised[band];
    const auto whole = static_cast<std::size_t>(std::lround(lag));
    const std::size_t last = earlier ? q.size() - kRecentFrames : q.size();
    const std::size_t first = std::max(whole, last - std::min(last, kRecentFrames));
    if (last <= first) {
        return 0.0F;
    }
    // Each stretch about its own mean: a steady level, as in silence, is no rhythm.
    std::int64_t now = 0;
    std::int64_t then = 0;
    for (std::size_t i = first; i < last; ++i) {
        now += q[i];
        then += q[i - whole];
    }
    const auto count = static_cast<double>(last - first);
    const double nowMean = static_cast<double>(now) / count;
    const double thenMean = static_cast<double>(then) / count;
    double sum = 0.0;
    double nowEnergy = 0.0;
    double thenEnergy = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const double a = q[i] - nowMean;
        const double b = q[i - whole] - thenMean;
        sum += a * b;
        nowEnergy += a * a;
        thenEnergy += b * b;
    }
    return nowEnergy * thenEnergy < 1.0
               ? 0.0F
               : static_cast<float>(sum / std::sqrt(nowEnergy * thenEnergy));
}

// Her vessel beats once a beat, deep: its rhythm is the strongest repeat of the lowest band, and
// half a beat on that band is quieter than on the beat (two sounds of a beat would repeat there).
bool BandRhythms::DeepSinglePulse(double period) const {
    if (!m_usable[0]) {
        return false;
    }
    const std::vector<float>& low = m_correlations[0];
    const auto strongest =
        std::max_element(low.begin() + kMaternalShortest, low.begin() + kMaternalLongest + 1);
    return SamePeriod(static_cast<double>(strongest - low.begin()), period) &&
           At(low, period) >= kMaternalConfidence && At(low, period / 2.0) < 0.0F;
}

// Her deep pulse with a faster rhythm of like beats above it: the highest band repeats at half her
// period nearly as well as at the whole, as two unlike sounds of one beat half a beat apart would
// not. Its repeat at her period is that rhythm's double, no sign that she sounds there. Where she
// fills the highest band too, the half repeats less than the whole; a rhythm with a second sound
// inside each of its beats is then still a heart of its own, where one sound of a slow beat has
// nothing inside it.
bool BandRhythms::FasterRhythmAbove(double period) const {
    if (!m_usable[kHighestBand] || !DeepSinglePulse(period)) {
        return false;
    }
    const std::vector<float>& high = m_correlations[kHighestBand];
    const float half = At(high, period / 2.0);
    return half >= kRhythmic &&
           (half >= kHalfOfBeat * At(high, period) || SoundInsideBeat(kHighestBand, period / 2.0));
}

// The mother's vessel sounds deep: her rhythm is in the lowest band and not in the highest. Faster
// than her usual pulse, where slow babies beat too, it is no stronger in the middle band either,
// where his valves sound.
bool BandRhythms::SoundsMaternal(double period) const {
    const float low = m_usable[0] ? At(m_correlations[0], period) : 0.0F;
    return low >= kMaternalConfidence &&
           (!m_usable[kHighestBand] || At(m_correlations[kHighestBand], period) < kRhythmic) &&
           (Bpm(period) <= kUsualMaternalFastestBpm || !m_usable[kVoiceBand] ||
            At(m_correlations[kVoiceBand], period) <= low);
}

// A rhythm that repeats at least as well in the lowest band as in the highest, as her vessel's.
bool BandRhythms::SoundsDeep(double period) const {
    return m_usable[0] && (!m_usable[kHighestBand] || At(m_correlations[0], period) >=
                                                          At(m_correlations[kHighestBand], period));
}

// Her vessel's swell, loud enough to reach the highest band, still repeats there far less than in
// the lowest; his valves' clicks are heard at least as well high as low.
bool BandRhythms::SoundsFarDeeper(double period) const {
    return m_usable[0] && m_usable[kHighestBand] &&
           At(m_correlations[0], period) >= At(m_correlations[kHighestBand], period) + kFarDeeper;
}

// The baby's sounds are high: a rhythm clearly stronger in the highest band than in the lowest,
// where her vessel sounds.
bool BandRhythms::SoundsFetal(double period) const {
    const float high = m_usable[kHighestBand] ? At(m_correlations[kHighestBand], period) : 0.0F;
    const float low = m_usable[0] ? At(m_correlations[0], period) : 0.0F;
    return high >= kMaternalConfidence && high >= low + kTimbreMargin;
}

// Two rhythms that sound apart: from the lowest band to the highest the first gains clearly more
// than the other, as the baby's valves do over her deep vessel.
bool BandRhythms::SoundsHigher(double period, double other) const {
    if (!m_usable[0] || !m_usable[kHighestBand]) {
        return false;
    }
    const auto tilt = [this](double lag) {
        return At(m_correlations[kHighestBand], lag) - At(m_correlations[0], lag);
    };
    return tilt(period) >= tilt(other) + kTimbreMargin;
}

// A heart's valves close twice a beat, a vessel swells once: above the lowest band, a beat whose
// second sound falls clearly before or after mid-beat repeats at that sound's distance from the
// first and at the rest of the beat, and less at the half beat, where a rhythm of twice the rate
// would repeat best. Both must still be heard in the last two seconds: the window remembers a baby
// for a while after the probe has left him.
bool BandRhythms::TwoSoundsOfValves(double period) const {
    // The valves sound mostly in the middle band.
    constexpr std::size_t b = kVoiceBand;
    const std::vector<float>& r = m_correlations[b];
    if (!m_usable[b] || At(r, period) < kMaternalConfidence) {
        return false;
    }
    // A distance that repeats at its own double is a faster rhythm, not a second sound.
    const auto twice = [this](double lag) {
        return LagCorrelation(b, static_cast<std::size_t>(std::lround(2.0 * lag)));
    };
    const auto first = static_cast<std::size_t>(std::ceil(kSecondSoundEarliest * period));
    const auto last = static_cast<std::size_t>(kSecondSoundLatest * period);
    for (std::size_t lag = first; lag <= last; ++lag) {
        if (r[lag] < r[lag - 1] || r[lag] < r[lag + 1] || r[lag] < kSecondSound) {
            continue;
        }
        const double gap = RefinedPeak(r, lag);
        if (At(r, period - gap) >= kSecondSound && At(r, period / 2.0) < r[lag] &&
            twice(gap) < kRecentConfidence && twice(period - gap) < kRecentConfidence &&
            HalfCorrelation(b, period, false) >= kRecentConfidence &&
            HalfCorrelation(b, gap, false) >= kRecentConfidence) {
            return true;
        }
    }
    return false;
}

// A heart's valves click, a vessel swells for a third of a second: where the beat repeats in the
// two slower bands, a click's repeat falls away within 60 ms on either side, a swell's stays up. It
// must still sound so in the last two seconds: the window remembers a baby for a while after the
// probe has left him.
bool BandRhythms::BriefSounds(double period) const {
    constexpr double kBeside = 0.06 * kEnvelopeRate;
    const auto falls = [period](auto repeat) {
        return repeat(period - kBeside) + repeat(period + kBeside) < 0.0F;
    };
    if (!m_usable[0] || CorrelationAt(0, period) < kSecondSound ||
        HalfCorrelation(0, period, false) < kSecondSound) {
        return false;
    }
    for (std::size_t b = 0; b <= kVoiceBand; ++b) {
        if (!m_usable[b] || CorrelationAt(b, period) < kSecondSound) {
            continue;
        }
        if (!falls([this, b](double lag) { return CorrelationAt(b, lag); }) ||
            !falls([this, b](double lag) { return HalfCorrelation(b, lag, false); })) {
            return false;
        }
    }
    return true;
}

// Whether every band where a beat repeats at least `floor` passes `test(band, repeat)`, and the
// beat is clearly heard in one of them.
template <typename Test>
bool BandRhythms::EveryBandWithBeat(double beat, float floor, Test test) const {
    bool heard = false;
    for (std::size_t b = 0; b < kBands; ++b) {
        const float repeat = m_usable[b] ? At(m_correlations[b], beat) : 0.0F;
        if (repeat < floor) {
            continue;
        }
        if (!test(b, repeat)) {
            return false;
        }
        heard = heard || repeat >= kMaternalConfidence;
    }
    return heard;
}

// Whether a rhythm faster than a baby's usual is the half of a slower beat of two unlike sounds,
// the second near mid-beat: in every band that has the whole beat it repeats far better than its
// half. A fast baby beside a mother at half his rate repeats at his period as well as at its double
// in the bands where she is quiet.
bool BandRhythms::HalfOfSlowerBeat(double period, double slower) const {
    if (Bpm(period) <= kFastFetalBpm || !SamePeriod(slower, 2.0 * period) ||
        SoundsMaternal(slower) || DeepSinglePulse(slower)) {
        return false;
    }
    return EveryBandWithBeat(slower, kRhythmic, [&](std::size_t b, float whole) {
        return At(m_correlations[b], period) < kHalfOfBeat * whole;
    });
}

// The correlation at any lag up to kLastLag, beyond the dense ones computed on asking.
float BandRhythms::CorrelationAt(std::size_t band, double lag) const {
    const auto below = static_cast<std::size_t>(lag);
    if (below < kLastDenseLag) {
        return At(m_correlations[band], lag);
    }
    const double part = lag - static_cast<double>(below);
    return static_cast<float>((1.0 - part) * LagCorrelation(band, below) +
                              part * LagCorrelation(band, below + 1));
}

// Whether a band repeats within a beat, at a lag between a quarter and three quarters of it: a
// beat of its own with a second sound. One sound of a slower beat has nothing inside it.
bool BandRhythms::SoundInsideBeat(std::size_t band, double period) const {
    const std::vector<float>& r = m_correlations[band];
    const auto last = static_cast<std::size_t>(0.75 * period);
    for (auto lag = std::max(kFirstLag + 1, static_cast<std::size_t>(0.25 * period) + 1);
         lag <= last; ++lag) {
        if (r[lag] > 0.0F && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            return true;
        }
    }
    return false;
}

// Whether a rhythm at twice a slow baby's rate or faster is the half of a beat of two like sounds,
// the second near mid-beat: in every band that has the whole beat the half repeats too (both sounds
// sound there, where her deep single pulse is quiet or opposite half a beat on) with nothing inside
// it, but the whole beat and its double repeat better than the half and one and a half beats. A
// rhythm of its own repeats at its period at least as well as further on, each beat drifting a
// little.
bool BandRhythms::HalfOfTwoSoundBeat(double period) const {
    const double whole = 2.0 * period;
    if (Bpm(period) < 2.0 * kUnsignedSlowestBpm || SoundsMaternal(whole)) {
        return false;
    }
    return EveryBandWithBeat(whole, kFaintBeat, [&](std::size_t b, float beat) {
        const float half = At(m_correlations[b], period);
        return half >= kHalfOfBeat * beat && !SoundInsideBeat(b, period) &&
               (beat < kRhythmic ||
                beat + CorrelationAt(b, 2.0 * whole) - half - CorrelationAt(b, 3.0 * period) >=
                    2.0F * kTwoSoundAlternation);
    });
}

// Whether a rhythm is the longer gap of a slower beat of two sounds: in every band that has the
// slower beat, the beat repeats better than the gap, the shorter gap that makes up the beat with it
// repeats like it, and the gap does not repeat at its double, as a beat of its own would.
bool BandRhythms::GapOfTwoSoundBeat(double period, double slower) const {
    // Near the half of the beat the gaps are alike: that is the half of a two-sound beat. A beat
    // slower than the baby is followed down to is none of his.
    if (period > kLongerGap * slower || slower >= 1.9 * period ||
        slower > static_cast<double>(kSlowLongest) || SoundsMaternal(slower)) {
        return false;
    }
    return EveryBandWithBeat(slower, kRhythmic, [&](std::size_t b, float beat) {
        const float gap = At(m_correlations[b], period);
        return beat >= gap + 2.0F * kTwoSoundAlternation &&
               At(m_correlations[b], slower - period) >= kHalfOfBeat * gap &&
               CorrelationAt(b, 2.0 * period) < kRhythmic;
    });
}

}  // namespace marulo::ratecheck
