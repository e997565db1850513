// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/TraceSummary.h"

#include <array>
#include <cstddef>

namespace marulo::report {

namespace {

constexpr std::size_t kRateCount = kHighestRate - kLowestRate + 1;

// Counting over the few possible rates keeps an eight-hour trace to one pass and no copy.
class RateHistogram {
public:
    void Add(std::int32_t rate) { ++m_counts[static_cast<std::size_t>(rate - kLowestRate)]; }

    // The rate at a zero-based rank in ascending order; the rank must be below the count.
    std::int32_t AtRank(std::int64_t rank) const {
        std::int64_t seen = 0;
        for (std::size_t i = 0; i < kRateCount; ++i) {
            seen += m_counts[i];
            if (rank < seen) {
                return static_cast<std::int32_t>(i) + kLowestRate;
            }
        }
        return kHighestRate;
    }

private:
    std::array<std::int64_t, kRateCount> m_counts{};
};

// Nearest rank: the smallest rate with at least p percent of the rates at or below it.
std::int32_t Percentile(const RateHistogram& rates, std::int64_t count, int percent) {
    const std::int64_t rank = (count * percent + 99) / 100;
    return rates.AtRank(rank > 0 ? rank - 1 : 0);
}

}  // namespace

double TraceSummary::Coverage() const {
    return seconds == 0 ? 0.0 : static_cast<double>(ratedSeconds) / static_cast<double>(seconds);
}

TraceSummary Summarize(std::span<const std::int32_t> trace) {
    TraceSummary summary;
    summary.seconds = static_cast<std::int64_t>(trace.size());
    RateHistogram rates;
    for (const std::int32_t value : trace) {
        if (!IsRate(value)) {
            continue;
        }
        rates.Add(value);
        if (summary.ratedSeconds == 0 || value < summary.lowest) {
            summary.lowest = value;
        }
        if (summary.ratedSeconds == 0 || value > summary.highest) {
            summary.highest = value;
        }
        ++summary.ratedSeconds;
        if (value < kNormalBandLow || value > kNormalBandHigh) {
            ++summary.secondsOutsideBand;
        }
    }
    const std::int64_t count = summary.ratedSeconds;
    if (count == 0) {
        return summary;
    }
    const std::int32_t lowerMiddle = rates.AtRank((count - 1) / 2);
    const std::int32_t upperMiddle = rates.AtRank(count / 2);
    summary.median = (lowerMiddle + upperMiddle) / 2.0;
    summary.percentile10 = Percentile(rates, count, 10);
    summary.percentile90 = Percentile(rates, count, 90);
    return summary;
}

}  // namespace marulo::report
