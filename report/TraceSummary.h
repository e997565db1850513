// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace marulo::report {

// The detector's rates lie from 50 to 240; anything else (0 for none, or a damaged value) is a
// second without a rate.
inline constexpr std::int32_t kLowestRate = 50;
inline constexpr std::int32_t kHighestRate = 240;

// The band a calm fetal heart usually stays in; time outside it is counted for the reader.
inline constexpr std::int32_t kNormalBandLow = 110;
inline constexpr std::int32_t kNormalBandHigh = 160;

constexpr bool IsRate(std::int32_t value) {
    return value >= kLowestRate && value <= kHighestRate;
}

// The figures a report gives for a trace. Rates are in beats per minute; those over the rated
// seconds are 0 when there are none.
struct TraceSummary {
    std::int64_t seconds = 0;
    std::int64_t ratedSeconds = 0;
    std::int64_t secondsOutsideBand = 0;  // rated seconds below 110 or above 160
    double median = 0.0;                  // the mean of the two middle rates for an even count
    std::int32_t percentile10 = 0;        // nearest rank
    std::int32_t percentile90 = 0;
    std::int32_t lowest = 0;
    std::int32_t highest = 0;

    // The share of seconds with a rate, 0 to 1; 0 for an empty trace.
    double Coverage() const;
    double MinutesOutsideBand() const { return static_cast<double>(secondsOutsideBand) / 60.0; }
};

TraceSummary Summarize(std::span<const std::int32_t> trace);

}  // namespace marulo::report
