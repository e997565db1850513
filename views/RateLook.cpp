// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/RateLook.h"

#include <algorithm>

#include "views/ChartGeometry.h"

namespace marulo::views {

ShownRate LiveRate(std::int32_t rate, const std::optional<livesignal::LiveSignalValue>& mark) {
    if (rate <= 0 || (mark && mark->state == livesignal::SignalState::None)) {
        return {};
    }
    const bool good = mark && mark->state == livesignal::SignalState::Good;
    return {good ? RateLook::Plain : RateLook::SetApart, rate};
}

ShownRate ReviewRate(std::int64_t second, std::span<const std::int32_t> trace,
                     const report::CheckedTrace* checked, std::size_t checkedSeconds) {
    if (second < 0 || static_cast<std::uint64_t>(second) >= trace.size()) {
        return {};
    }
    const auto index = static_cast<std::size_t>(second);
    if (checked != nullptr && index < checkedSeconds && index < checked->rates.size()) {
        const std::int32_t rate = checked->rates[index];
        if (rate <= 0) {
            return {};
        }
        return {checked->IsSetApart(index) ? RateLook::SetApart : RateLook::Plain, rate};
    }
    const std::optional<std::int32_t> value = ReadoutValue(second, trace);
    return value ? ShownRate{RateLook::SetApart, *value} : ShownRate{};
}

TraceLayers ReviewLayers(std::span<const std::int32_t> trace, const report::CheckedTrace* checked,
                         std::size_t checkedSeconds) {
    TraceLayers layers;
    layers.plain.assign(trace.size(), 0);
    layers.setApart.assign(trace.size(), 0);
    layers.unchecked.assign(trace.size(), 0);
    for (std::size_t second = 0; second < trace.size(); ++second) {
        const ShownRate shown =
            ReviewRate(static_cast<std::int64_t>(second), trace, checked, checkedSeconds);
        const bool wasChecked = checked != nullptr && second < checkedSeconds;
        if (shown.look == RateLook::Plain) {
            layers.plain[second] = shown.rate;
        } else if (shown.look == RateLook::SetApart) {
            (wasChecked ? layers.setApart : layers.unchecked)[second] = shown.rate;
        }
    }
    return layers;
}

ratecheck::Mark StripMark(livesignal::SignalState state) {
    switch (state) {
        case livesignal::SignalState::Good:
            return ratecheck::Mark::Confirmed;
        case livesignal::SignalState::Weak:
            return ratecheck::Mark::Doubtful;
        case livesignal::SignalState::None:
            break;
    }
    return ratecheck::Mark::NoSignal;
}

TraceLayers LiveLayers(std::span<const std::int32_t> trace,
                       std::span<const ratecheck::Mark> marks) {
    TraceLayers layers;
    layers.plain.assign(trace.size(), 0);
    layers.setApart.assign(trace.size(), 0);
    layers.unchecked.assign(trace.size(), 0);
    for (std::size_t second = 0; second < trace.size(); ++second) {
        const std::int32_t rate = std::max(trace[second], 0);
        if (second >= marks.size()) {
            layers.unchecked[second] = rate;
        } else if (marks[second] == ratecheck::Mark::Confirmed) {
            layers.plain[second] = rate;
        } else if (marks[second] == ratecheck::Mark::Doubtful) {
            layers.setApart[second] = rate;
        }
    }
    return layers;
}

}  // namespace marulo::views
