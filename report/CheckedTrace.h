// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ratecheck/RateCheck.h"

namespace marulo::report {

// What one second of a checked record counts as; every second is exactly one of these, so the
// counts add up to the record's length.
enum class SecondStatus : std::uint8_t {
    Confirmed,      // the baby's rate, within a stretch of at least kShortestStretch seconds
    MaternalPulse,  // possibly the mother's pulse
    HalfRate,       // possibly half the baby's rate
    NoSignal,       // no usable signal, or no audio for that second
    Uncertain,      // anything else: twice the rate, unsure, or a confirmed stretch too short
};
inline constexpr std::size_t kStatusCount = 5;

// confirmed, maternal, half, none or uncertain.
std::string_view StatusWord(SecondStatus status);

// A stretch of rates shorter than this is a spike the eye and the figures should not follow.
inline constexpr std::size_t kShortestStretch = 5;

// What a report draws and counts once the audio has been checked. A second's rate counts (is
// drawn and enters the figures) when it is confirmed, or when it is a slow or fast rate the check
// could not tell from the mother's, and lies in a stretch of at least kShortestStretch such
// seconds. The second kind stays Uncertain in the accounting and is drawn set apart.
struct CheckedTrace {
    std::vector<std::int32_t> rates;  // the rate that counts, 0 where none does
    std::vector<SecondStatus> statuses;
    std::vector<ratecheck::Mark> marks;  // confirmed, no signal, or doubtful for the rest
    std::array<std::int64_t, kStatusCount> seconds{};

    std::int64_t SecondsOf(SecondStatus status) const {
        return seconds[static_cast<std::size_t>(status)];
    }
    // A counted rate that is not confirmed: drawn set apart from the baby's confirmed rate.
    bool IsSetApart(std::size_t second) const {
        return rates[second] > 0 && statuses[second] != SecondStatus::Confirmed;
    }
};

// One entry for each of the trace's seconds; seconds beyond the checks have no signal.
CheckedTrace CheckTrace(std::size_t traceSeconds, std::span<const ratecheck::SecondCheck> checks);

}  // namespace marulo::report
