// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/CheckedTrace.h"

#include "report/TraceSummary.h"

namespace marulo::report {

namespace {

using ratecheck::Quality;

SecondStatus StatusOf(Quality quality) {
    switch (quality) {
        case Quality::Good:
            return SecondStatus::Confirmed;
        case Quality::Maternal:
            return SecondStatus::MaternalPulse;
        case Quality::Half:
            return SecondStatus::HalfRate;
        case Quality::None:
            return SecondStatus::NoSignal;
        case Quality::Double:
        case Quality::Unsure:
            break;
    }
    return SecondStatus::Uncertain;
}

// The rate a second may count with: the baby's confirmed rate, or the checked rate of a second
// where baby and mother cannot be told apart.
std::int32_t CandidateRate(const ratecheck::SecondCheck& check) {
    const bool counts = check.quality == Quality::Good || check.quality == Quality::Unsure;
    return counts && check.checkedBpm && IsRate(*check.checkedBpm) ? *check.checkedBpm : 0;
}

ratecheck::Mark MarkOf(SecondStatus status) {
    switch (status) {
        case SecondStatus::Confirmed:
            return ratecheck::Mark::Confirmed;
        case SecondStatus::NoSignal:
            return ratecheck::Mark::NoSignal;
        case SecondStatus::MaternalPulse:
        case SecondStatus::HalfRate:
        case SecondStatus::Uncertain:
            break;
    }
    return ratecheck::Mark::Doubtful;
}

}  // namespace

std::string_view StatusWord(SecondStatus status) {
    switch (status) {
        case SecondStatus::Confirmed:
            return "confirmed";
        case SecondStatus::MaternalPulse:
            return "maternal";
        case SecondStatus::HalfRate:
            return "half";
        case SecondStatus::NoSignal:
            return "none";
        case SecondStatus::Uncertain:
            break;
    }
    return "uncertain";
}

CheckedTrace CheckTrace(std::size_t traceSeconds, std::span<const ratecheck::SecondCheck> checks) {
    CheckedTrace checked;
    checked.rates.assign(traceSeconds, 0);
    checked.statuses.assign(traceSeconds, SecondStatus::NoSignal);
    const std::size_t judged = std::min(traceSeconds, checks.size());
    for (std::size_t second = 0; second < judged; ++second) {
        checked.rates[second] = CandidateRate(checks[second]);
        checked.statuses[second] = StatusOf(checks[second].quality);
    }
    // Stretches of candidate rates too short to follow count nowhere.
    for (std::size_t first = 0; first < judged;) {
        std::size_t end = first;
        while (end < judged && checked.rates[end] > 0) {
            ++end;
        }
        if (end - first < kShortestStretch) {
            for (std::size_t second = first; second < end; ++second) {
                checked.rates[second] = 0;
            }
        }
        first = end + 1;
    }
    checked.marks.reserve(traceSeconds);
    for (std::size_t second = 0; second < traceSeconds; ++second) {
        SecondStatus& status = checked.statuses[second];
        if (status == SecondStatus::Confirmed && checked.rates[second] == 0) {
            status = SecondStatus::Uncertain;
        }
        ++checked.seconds[static_cast<std::size_t>(status)];
        checked.marks.push_back(MarkOf(status));
    }
    return checked;
}

}  // namespace marulo::report
