// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ratecheck/RateCheck.h"

namespace marulo::report {

// What a report draws and counts once the audio has been checked: the checked rate in place of
// the shown one, a mark a second, and the seconds that could not be confirmed by their reason.
struct CheckedTrace {
    std::vector<std::int32_t> rates;  // the checked rate a second, 0 where there is none
    std::vector<ratecheck::Mark> marks;
    std::int64_t maternalSeconds = 0;  // possibly the mother's pulse
    std::int64_t halfSeconds = 0;      // possibly half the rate
    std::int64_t noSignalSeconds = 0;  // no usable signal, or no audio for that second
    std::int64_t unsureSeconds = 0;    // anything else not confirmed, twice the rate included

    std::int64_t UnconfirmedSeconds() const {
        return maternalSeconds + halfSeconds + noSignalSeconds + unsureSeconds;
    }
};

// One entry for each of the trace's seconds; seconds beyond the checks have no signal.
CheckedTrace CheckTrace(std::size_t traceSeconds, std::span<const ratecheck::SecondCheck> checks);

}  // namespace marulo::report
