// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

// Steps of the heart-rate detector that work on its lag sums and rate lists alone, kept apart so
// the dip rules and the trimmed mean can be checked on hand-made values.
namespace marulo::acquisition::detail {

inline constexpr std::size_t kLagCount = 128;
// Lag sums below this index (lags under 23 frames, rates above 260) are never searched.
inline constexpr std::uint8_t kFirstSearchedLag = 22;
// Index distance from the first dip at which the second is sought, and the refinement reach.
inline constexpr std::uint8_t kDipSpan = 22;

using LagSums = std::array<std::uint32_t, kLagCount>;

// The first dip: its index K1 and period P1 (= K1 + 1), and whether the period correction
// must be skipped because the descent's bottom lay too close to the end.
struct FirstDip {
    std::uint8_t index = 0;
    std::uint8_t period = 0;
    bool endsSearch = false;
};

// The first dip at or below threshold from index 22, or nothing when the descent runs off the end.
std::optional<FirstDip> FindFirstDip(const LagSums& sums, std::uint32_t threshold);

// The second dip's position K2 (its index, or the lag of a lower value found by the refinement),
// or nothing when there is none to compare with.
std::optional<std::uint8_t> FindSecondDip(const LagSums& sums, std::uint32_t threshold,
                                          std::uint8_t firstIndex);

// The period after the check for doubling and halving against the second dip.
std::uint8_t CorrectPeriod(std::uint8_t firstIndex, std::uint8_t firstPeriod,
                           std::uint8_t secondPosition);

// The period of this frame's candidate, or nothing when the lag sums give none.
std::optional<std::uint8_t> CandidatePeriod(const LagSums& sums, std::uint32_t threshold);

// Rate in beats per minute of a period in 10 ms frames, kept in 8 bits (260 becomes 4).
inline std::uint8_t RateOfPeriod(std::uint8_t period) {
    return static_cast<std::uint8_t>(6000 / period);
}

// The smoothing stages from rate candidates to the detector's result: a trimmed mean of every 25
// candidates, a trimmed mean of the last seven such means, and the output window that follows a
// value within 10 at once and a disagreeing one only after three agree among themselves.
class RateSmoother {
public:
    // Collects one candidate; every 25th gives the newly computed result (-1 or 50..240).
    std::optional<std::int32_t> AddCandidate(std::uint8_t rate);

    // After a long silence: the means and the output start again from zero; the candidates of the
    // current batch and the pending values stay.
    void ForgetSlowStages() {
        m_secondRates.fill(0);
        m_outputWindow.fill(0);
    }

private:
    std::int32_t UpdateResult();

    std::array<std::uint8_t, 25> m_candidateRates{};
    std::uint8_t m_candidateCount = 0;
    std::array<std::uint8_t, 7> m_secondRates{};   // oldest first
    std::array<std::uint8_t, 9> m_outputWindow{};  // newest last: the last accepted rate
    std::array<std::uint8_t, 3> m_pendingRates{};  // values that disagreed with the output
    std::uint8_t m_pendingCount = 0;
};

// Mean of the values around the median (sorted descending, index medianIndex) that lie within
// 20 of it; at most 25 values.
std::uint8_t TrimmedMedianMean(std::span<const std::uint8_t> values, std::size_t medianIndex);

}  // namespace marulo::acquisition::detail
