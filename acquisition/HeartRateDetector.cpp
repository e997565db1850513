// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/HeartRateDetector.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "acquisition/DetectorSteps.h"

namespace marulo::acquisition {

namespace detail {

namespace {

constexpr std::uint8_t kLastLag = kLagCount - 1;
// A bottom this far along leaves no room for a full refinement window before the end.
constexpr std::uint8_t kLateBottom = kLagCount - kDipSpan - 1;
constexpr int kRateTolerance = 20;
constexpr std::size_t kCandidatesPerUpdate = 25;
constexpr int kAgreement = 10;
constexpr std::uint8_t kAgreeingPending = 3;
constexpr std::int32_t kLowestRate = 50;
constexpr std::int32_t kHighestRate = 240;
constexpr std::int32_t kNoRate = -1;

int AbsDiff(std::uint8_t a, std::uint8_t b) {
    return a > b ? a - b : b - a;
}

// Drops the oldest entry (index 0) and appends value as the newest.
template <std::size_t N>
void ShiftIn(std::array<std::uint8_t, N>& values, std::uint8_t value) {
    std::memmove(values.data(), values.data() + 1, N - 1);
    values[N - 1] = value;
}

struct Descent {
    std::uint8_t bottom = 0;
    std::uint32_t min = 0;
};

// First index from start whose sum is at most threshold.
std::optional<std::uint8_t> SearchBelow(const LagSums& sums, std::uint32_t threshold,
                                        std::uint8_t start) {
    for (std::size_t k = start; k < kLagCount; ++k) {
        if (sums[k] <= threshold) {
            return static_cast<std::uint8_t>(k);
        }
    }
    return std::nullopt;
}

// Moves on while the next sum is at most the current one (equal sums move on); nothing when the
// descent runs past the last index without meeting a larger sum.
std::optional<Descent> Descend(const LagSums& sums, std::uint8_t start) {
    Descent d{start, sums[start]};
    while (true) {
        if (d.bottom == kLastLag) {
            return std::nullopt;
        }
        if (sums[d.bottom + 1] > d.min) {
            return d;
        }
        ++d.bottom;
        d.min = sums[d.bottom];
    }
}

}  // namespace

std::optional<FirstDip> FindFirstDip(const LagSums& sums, std::uint32_t threshold) {
    const auto start = SearchBelow(sums, threshold, kFirstSearchedLag);
    if (!start) {
        return std::nullopt;
    }
    const auto descent = Descend(sums, *start);
    if (!descent) {
        return std::nullopt;
    }
    FirstDip dip{descent->bottom, static_cast<std::uint8_t>(descent->bottom + 1),
                 descent->bottom >= kLateBottom};
    std::uint32_t min = descent->min;
    for (std::size_t k = descent->bottom + 1;
         k <= std::min<std::size_t>(descent->bottom + kDipSpan, kLastLag); ++k) {
        if (sums[k] < min) {
            min = sums[k];
            dip.index = static_cast<std::uint8_t>(k);
            dip.period = static_cast<std::uint8_t>(k + 1);
        }
    }
    return dip;
}

std::optional<std::uint8_t> FindSecondDip(const LagSums& sums, std::uint32_t threshold,
                                          std::uint8_t firstIndex) {
    if (firstIndex + kDipSpan >= static_cast<int>(kLagCount)) {
        return std::nullopt;
    }
    const auto start =
        SearchBelow(sums, threshold, static_cast<std::uint8_t>(firstIndex + kDipSpan));
    if (!start) {
        return std::nullopt;
    }
    const auto descent = Descend(sums, *start);
    if (!descent) {
        return std::nullopt;
    }
    if (descent->bottom >= kLateBottom) {
        return std::nullopt;
    }
    // Unlike the first dip, a lower value found here is taken by its lag, not its index.
    std::uint8_t position = descent->bottom;
    std::uint32_t min = descent->min;
    for (std::size_t k = descent->bottom + 1;
         k <= std::min<std::size_t>(descent->bottom + kDipSpan, kLastLag); ++k) {
        if (sums[k] < min) {
            min = sums[k];
            position = static_cast<std::uint8_t>(k + 1);
        }
    }
    return position;
}

std::uint8_t CorrectPeriod(std::uint8_t firstIndex, std::uint8_t firstPeriod,
                           std::uint8_t secondPosition) {
    const auto distance = static_cast<std::uint8_t>(secondPosition - firstPeriod);
    const std::uint8_t firstRate = RateOfPeriod(firstPeriod);
    const std::uint8_t secondRate = RateOfPeriod(distance);
    const bool far = distance >= firstPeriod;
    const auto diff =
        static_cast<std::uint8_t>(far ? firstRate - secondRate : secondRate - firstRate);
    if (diff <= kRateTolerance) {
        return firstPeriod;
    }
    const auto nearHalf = [](int rate, int ofRate) {
        return rate >= ofRate / 2 - kRateTolerance && rate <= ofRate / 2 + kRateTolerance;
    };
    const auto combined = static_cast<std::uint8_t>(distance + firstIndex);
    if (far) {
        return nearHalf(secondRate, firstRate) ? firstPeriod : combined;
    }
    return nearHalf(firstRate, secondRate) ? distance : combined;
}

std::optional<std::uint8_t> CandidatePeriod(const LagSums& sums, std::uint32_t threshold) {
    const auto first = FindFirstDip(sums, threshold);
    if (!first) {
        return std::nullopt;
    }
    if (first->endsSearch) {
        return first->period;
    }
    const auto second = FindSecondDip(sums, threshold, first->index);
    if (!second) {
        return first->period;
    }
    return CorrectPeriod(first->index, first->period, *second);
}

std::uint8_t TrimmedMedianMean(std::span<const std::uint8_t> values, std::size_t medianIndex) {
    std::array<std::uint8_t, 25> sorted{};
    const std::size_t n = std::min(values.size(), sorted.size());
    std::copy_n(values.begin(), n, sorted.begin());
    for (std::size_t i = 0; i < n; ++i) {
        std::size_t largest = i;
        for (std::size_t j = i + 1; j < n; ++j) {
            if (sorted[j] > sorted[largest]) {
                largest = j;
            }
        }
        std::swap(sorted[i], sorted[largest]);
    }
    const int median = sorted[medianIndex];
    const auto near = [median](std::uint8_t v) { return std::abs(v - median) < kRateTolerance; };
    std::size_t start = 0;
    while (!near(sorted[start])) {
        ++start;
    }
    std::size_t end = medianIndex;
    while (end + 1 < n && near(sorted[end + 1])) {
        ++end;
    }
    unsigned sum = 0;
    for (std::size_t k = start; k <= end; ++k) {
        sum += sorted[k];
    }
    return static_cast<std::uint8_t>(sum / (end - start + 1));
}

std::optional<std::int32_t> RateSmoother::AddCandidate(std::uint8_t rate) {
    m_candidateRates[m_candidateCount] = rate;
    if (++m_candidateCount < kCandidatesPerUpdate) {
        return std::nullopt;
    }
    m_candidateCount = 0;
    return UpdateResult();
}

std::int32_t RateSmoother::UpdateResult() {
    const std::uint8_t firstAverage = TrimmedMedianMean(m_candidateRates, 12);
    ShiftIn(m_secondRates, firstAverage);
    const std::uint8_t secondAverage = TrimmedMedianMean(m_secondRates, 3);

    const std::uint8_t last = m_outputWindow.back();
    if (AbsDiff(last, secondAverage) < kAgreement) {
        ShiftIn(m_outputWindow, secondAverage);
        m_pendingCount = 0;
    } else if (AbsDiff(m_pendingRates.back(), secondAverage) < kAgreement) {
        ShiftIn(m_pendingRates, secondAverage);
        if (++m_pendingCount == kAgreeingPending) {
            m_pendingCount = 0;
            const int sum = m_pendingRates[0] + m_pendingRates[1] + m_pendingRates[2];
            m_outputWindow.fill(static_cast<std::uint8_t>(sum / 3));
        } else {
            ShiftIn(m_outputWindow, last);
        }
    } else {
        m_pendingCount = 1;
        ShiftIn(m_pendingRates, secondAverage);
        ShiftIn(m_outputWindow, last);
    }

    int sum = 0;
    for (const std::uint8_t accepted : m_outputWindow) {
        sum += accepted;
    }
    const std::int32_t result = sum / static_cast<int>(m_outputWindow.size());
    return result < kLowestRate || result > kHighestRate ? kNoRate : result;
}

}  // namespace detail

namespace {

constexpr std::size_t kWindow = 128;  // envelopes whose range and lag differences count
constexpr int kMaxFlatRange = 13;
constexpr std::uint32_t kMinLagSum = 200;
constexpr std::uint8_t kLongSilenceFrames = 200;
constexpr std::uint8_t kMissesPerExpiry = 25;
// The lag sums' range is taken from index 22; the first two are done apart so that the rest
// (104 values) is a whole number of vector widths.
constexpr std::size_t kFirstVectorSum = detail::kFirstSearchedLag + 2;

// In eight bits, so that sixteen differences are taken at once.
std::uint8_t AbsDiff(std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(a > b ? a - b : b - a);
}

}  // namespace

int HeartRateDetector::UpdateLagSums(std::uint8_t envelope) {
    m_newestSlot = m_newestSlot == 0 ? kHistory - 1 : m_newestSlot - 1;
    m_envelopeRing[m_newestSlot] = envelope;
    m_envelopeRing[m_newestSlot + kHistory] = envelope;
    // byAge[k] is the envelope of k frames ago.
    const std::uint8_t* byAge = m_envelopeRing.data() + m_newestSlot;

    // Lag i + 1 gains the newest envelope's difference to the one i + 1 frames older and loses
    // that of the envelope leaving the window (128 frames ago).
    const std::uint8_t newest = byAge[0];
    const std::uint8_t leaving = byAge[kWindow];
    // The changes go through a local array: written straight into the member, the compiler cannot
    // rule out overlap with the ring and would not vectorise without a run-time check.
    std::array<std::int16_t, detail::kLagCount> change;  // every element written below
    for (std::size_t i = 0; i < detail::kLagCount; ++i) {
        change[i] = static_cast<std::int16_t>(AbsDiff(newest, byAge[1 + i]) -
                                              AbsDiff(leaving, byAge[kWindow + 1 + i]));
    }
    for (std::size_t i = 0; i < detail::kLagCount; ++i) {
        m_lagSums[i] = static_cast<std::int16_t>(m_lagSums[i] + change[i]);
    }

    std::uint8_t low = byAge[0];
    std::uint8_t high = byAge[0];
    for (std::size_t k = 0; k < kWindow; ++k) {
        const std::uint8_t envelope = byAge[k];
        low = envelope < low ? envelope : low;
        high = envelope > high ? envelope : high;
    }
    return high - low;
}

std::int32_t HeartRateDetector::Process(std::span<const std::int32_t, kFrameLevels> frame) {
    std::int32_t peak = 0;
    for (const std::int32_t level : frame) {
        peak = std::max(peak, level);
    }
    const int range = UpdateLagSums(static_cast<std::uint8_t>(peak));

    std::int16_t lowSum =
        std::min(m_lagSums[detail::kFirstSearchedLag], m_lagSums[kFirstVectorSum - 1]);
    std::int16_t highSum =
        std::max(m_lagSums[detail::kFirstSearchedLag], m_lagSums[kFirstVectorSum - 1]);
    for (std::size_t i = kFirstVectorSum; i < detail::kLagCount; ++i) {
        const std::int16_t sum = m_lagSums[i];
        lowSum = sum < lowSum ? sum : lowSum;
        highSum = sum > highSum ? sum : highSum;
    }
    const auto mn = static_cast<std::uint32_t>(lowSum);
    const auto mx = static_cast<std::uint32_t>(highSum);

    ++m_framesSinceUpdate;
    std::optional<std::uint8_t> period;
    if (range > kMaxFlatRange && mx >= kMinLagSum) {
        for (std::size_t i = 0; i < detail::kLagCount; ++i) {
            m_searchedSums[i] = static_cast<std::uint32_t>(m_lagSums[i]);
        }
        period = detail::CandidatePeriod(m_searchedSums, mn + (mx - mn) / 5);
    } else if (m_framesSinceUpdate >= kLongSilenceFrames) {
        m_smoother.ForgetSlowStages();
        m_framesSinceUpdate = 0;
        m_detectorResult = 0;
    }

    if (!period) {
        if (++m_missCount == kMissesPerExpiry) {
            m_missCount = 0;
            m_detectorResult = detail::kNoRate;
        }
        return m_detectorResult;
    }

    if (const auto updated = m_smoother.AddCandidate(detail::RateOfPeriod(*period))) {
        m_detectorResult = *updated;
        m_missCount = 0;
        m_framesSinceUpdate = 0;
    }
    return m_detectorResult;
}

}  // namespace marulo::acquisition
