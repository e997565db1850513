// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "livesignal/LiveSignal.h"
#include "report/CheckedTrace.h"

namespace marulo::views {

// How a heart-rate figure is shown: not at all, set apart from the baby's rate (paler and
// smaller), or plainly as the baby's.
enum class RateLook : std::uint8_t { Hidden, SetApart, Plain };

struct ShownRate {
    RateLook look = RateLook::Hidden;
    std::int32_t rate = 0;

    bool operator==(const ShownRate&) const = default;
};

// The live number by the mark of its second: none without a signal, set apart while the signal
// is weak or not yet judged, plain when good.
ShownRate LiveRate(std::int32_t rate, const std::optional<livesignal::LiveSignalValue>& mark);

// A record's figure at a second, by the same rule as its report: within the checked seconds the
// rate that counts there (plain when confirmed, set apart otherwise) or none; elsewhere the
// trace's value, set apart, as it was never checked.
ShownRate ReviewRate(std::int64_t second, std::span<const std::int32_t> trace,
                     const report::CheckedTrace* checked, std::size_t checkedSeconds);

// A record's trace as review draws it, one layer a look, each as long as the trace with the
// values of its seconds and 0 elsewhere: the confirmed rate, the counted rate that is set apart,
// and the trace where nothing was checked.
struct TraceLayers {
    std::vector<std::int32_t> plain;
    std::vector<std::int32_t> setApart;
    std::vector<std::int32_t> unchecked;
};

TraceLayers ReviewLayers(std::span<const std::int32_t> trace, const report::CheckedTrace* checked,
                         std::size_t checkedSeconds);

// The strip's mark of a second by its live mark.
ratecheck::Mark StripMark(livesignal::SignalState state);

// A running record's trace by the live marks of its seconds, as the live number is shown: plain
// where good, set apart where weak, nothing without a signal; seconds not yet marked unchecked.
TraceLayers LiveLayers(std::span<const std::int32_t> trace, std::span<const ratecheck::Mark> marks);

}  // namespace marulo::views
