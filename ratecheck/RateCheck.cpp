// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/RateCheck.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace marulo::ratecheck {

namespace {

constexpr double kMultipleTolerance = 0.06;  // relative, for half and double

bool Near(double shown, double rate, double tolerance) {
    return std::abs(shown - rate) <= tolerance;
}

// The baby's rate the newest second gives, or, as the display lags, the one a good shown rate was
// judged against. A rhythm most likely hers is a heart heard there, but no rate to give as his.
std::optional<double> CheckedRate(Quality quality, double shown,
                                  std::span<const SecondEstimate> recent) {
    const auto givesRate = [](const SecondEstimate& e) {
        return e.fetalBpm && !e.fetalMostLikelyMaternal;
    };
    if (givesRate(recent.back())) {
        return recent.back().fetalBpm;
    }
    if (quality == Quality::Good) {
        const auto judged = std::find_if(
            recent.rbegin(), recent.rend(), [&givesRate, shown](const SecondEstimate& e) {
                return givesRate(e) && Near(shown, *e.fetalBpm, kSameRateBpm);
            });
        if (judged != recent.rend()) {
            return judged->fetalBpm;
        }
    }
    return std::nullopt;
}

}  // namespace

std::string_view QualityWord(Quality quality) {
    switch (quality) {
        case Quality::Good:
            return "good";
        case Quality::Half:
            return "half";
        case Quality::Double:
            return "double";
        case Quality::Maternal:
            return "maternal";
        case Quality::None:
            return "none";
        case Quality::Unsure:
            break;
    }
    return "unsure";
}

Mark MarkOf(Quality quality) {
    switch (quality) {
        case Quality::Good:
            return Mark::Confirmed;
        case Quality::None:
            return Mark::NoSignal;
        default:
            return Mark::Doubtful;
    }
}

std::vector<Mark> MarksFor(std::size_t traceSeconds, std::span<const SecondCheck> checks) {
    std::vector<Mark> marks(traceSeconds, Mark::NoSignal);
    for (std::size_t second = 0; second < std::min(traceSeconds, checks.size()); ++second) {
        marks[second] = MarkOf(checks[second].quality);
    }
    return marks;
}

Quality JudgeShown(std::int32_t shownBpm, std::span<const SecondEstimate> recent) {
    const auto any = [&recent](auto test) {
        return std::any_of(recent.begin(), recent.end(), test);
    };
    const bool fetal = any([](const SecondEstimate& e) { return e.fetalBpm.has_value(); });
    const bool rhythmic = any([](const SecondEstimate& e) { return e.rhythmic; });
    if (shownBpm <= 0) {
        return fetal ? Quality::Unsure : Quality::None;
    }
    const auto shown = static_cast<double>(shownBpm);
    const auto fetalNear = [&any](auto matches) {
        return any(
            [&matches](const SecondEstimate& e) { return e.fetalBpm && matches(*e.fetalBpm); });
    };
    if (any([shown](const SecondEstimate& e) {
            return e.fetalBpm && !e.fetalMayBeMaternal && Near(shown, *e.fetalBpm, kSameRateBpm);
        })) {
        return Quality::Good;
    }
    if (fetalNear([shown](double f) { return Near(shown, f, kSameRateBpm); })) {
        // A slow rate that may be the baby's or the mother's.
        return Quality::Unsure;
    }
    const auto herNear = [shown](const SecondEstimate& e) {
        return e.maternalBpm && Near(shown, *e.maternalBpm, kSameRateBpm);
    };
    if (any(herNear)) {
        // Her rate, unless only seconds where the baby lost as he fell may beat too heard it.
        const bool hersAlone = any(
            [&herNear](const SecondEstimate& e) { return herNear(e) && !e.maternalMayBeFetal; });
        return hersAlone ? Quality::Maternal : Quality::Unsure;
    }
    if (fetalNear(
            [shown](double f) { return Near(shown, f / 2.0, kMultipleTolerance * f / 2.0); })) {
        return Quality::Half;
    }
    if (fetalNear(
            [shown](double f) { return Near(shown, f * 2.0, kMultipleTolerance * f * 2.0); })) {
        return Quality::Double;
    }
    return fetal || rhythmic ? Quality::Unsure : Quality::None;
}

void RateCheck::FeedAudio(std::span<const std::uint8_t> captureBytes) {
    m_envelopes.Feed(captureBytes);
    for (const EnvelopeFrame& frame : m_envelopes.Frames()) {
        if (auto estimate = m_rhythm.Add(frame)) {
            m_pendingEstimates.push_back(*estimate);
        }
    }
    Pair();
}

void RateCheck::FeedShown(std::int32_t shownBpm) {
    m_pendingShown.push_back(shownBpm);
    Pair();
}

void RateCheck::Pair() {
    while (!m_pendingEstimates.empty() && !m_pendingShown.empty()) {
        if (m_recent.size() == kJudgedSeconds) {
            m_recent.erase(m_recent.begin());
        }
        m_recent.push_back(m_pendingEstimates.front());
        m_pendingEstimates.pop_front();
        SecondCheck check;
        check.quality = JudgeShown(m_pendingShown.front(), m_recent);
        const SecondEstimate& newest = m_recent.back();
        check.talking = newest.talking;
        check.fetalLostFalling = newest.fetalLostFalling;
        const auto shown = static_cast<double>(m_pendingShown.front());
        check.pulseHeard = (newest.fetalBpm && Near(shown, *newest.fetalBpm, kSameRateBpm)) ||
                           (newest.maternalBpm && Near(shown, *newest.maternalBpm, kSameRateBpm));
        check.heardUnchecked = newest.fetalMostLikelyMaternal;
        if (const auto fetal = CheckedRate(check.quality, shown, m_recent)) {
            check.checkedBpm = static_cast<std::int32_t>(std::lround(*fetal));
        }
        m_sink(m_pendingShown.front(), check);
        m_pendingShown.pop_front();
    }
}

}  // namespace marulo::ratecheck
