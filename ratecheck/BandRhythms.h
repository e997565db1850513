// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ratecheck/BandEnvelopes.h"

namespace marulo::ratecheck {

// Each band envelope's normalised autocorrelation over the window, and what it says of a period:
// whether it sounds like the mother's vessel (deep, one swell a beat) or the baby's heart (high,
// two valve sounds a beat), and whether it is a part of a slower beat of two sounds.
class BandRhythms {
public:
    // Correlates each band of the window anew; gives the bands with any variation.
    std::vector<std::size_t> Correlate(const std::array<std::vector<float>, kBands>& history);

    bool Usable(std::size_t band) const { return m_usable[band]; }
    // Dense up to twice the baby's longest period; beyond, only the lags filled on asking.
    const std::vector<float>& Correlation(std::size_t band) const { return m_correlations[band]; }
    void FillLag(std::size_t band, std::size_t lag);
    float LagCorrelation(std::size_t band, std::size_t lag) const;
    float HalfCorrelation(std::size_t band, double lag, bool earlier) const;
    float CorrelationAt(std::size_t band, double lag) const;

    bool DeepSinglePulse(double period) const;
    bool FasterRhythmAbove(double period) const;
    bool SoundsDeep(double period) const;
    bool SoundsFarDeeper(double period) const;
    bool SoundsMaternal(double period) const;
    bool SoundsFetal(double period) const;
    bool SoundsHigher(double period, double other) const;
    bool TwoSoundsOfValves(double period) const;
    bool BriefSounds(double period) const;
    bool HalfOfSlowerBeat(double period, double slower) const;
    bool HalfOfTwoSoundBeat(double period) const;
    bool GapOfTwoSoundBeat(double period, double slower) const;

private:
    bool CorrelateBand(std::size_t band, const std::vector<float>& history);
    bool SoundInsideBeat(std::size_t band, double period) const;
    template <typename Test>
    bool EveryBandWithBeat(double beat, float floor, Test test) const;

    std::array<std::vector<float>, kBands> m_correlations;
    std::array<std::vector<std::int16_t>, kBands> m_quantised;
    std::array<double, kBands> m_power{};
    std::array<bool, kBands> m_usable{};
};

}  // namespace marulo::ratecheck
