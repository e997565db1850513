// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/LiveSignal.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace marulo::livesignal {

const char* MarkTextKey(SignalState state) {
    switch (state) {
        case SignalState::Good:
            return "LiveMarkGood";
        case SignalState::Weak:
            return "LiveMarkWeak";
        case SignalState::None:
            break;
    }
    return "LiveMarkNone";
}

const char* HintTextKey(Hint hint) {
    switch (hint) {
        case Hint::MaternalPulse:
            return "LiveHintMaternal";
        case Hint::HalfRate:
            return "LiveHintHalfRate";
        case Hint::NoHeartbeat:
            return "LiveHintNoHeartbeat";
        case Hint::TooLoud:
            return "LiveHintTooLoud";
        case Hint::Talking:
            return "LiveHintTalking";
        case Hint::Unsure:
            return "LiveHintUnsure";
        case Hint::None:
            break;
    }
    return nullptr;
}

void LiveMark::Restart() {
    m_seen.fill({});
    m_hint = Hint::None;
}

LiveSignalValue LiveMark::Next(const ratecheck::SecondCheck& check, std::int32_t shownBpm,
                               bool clipping) {
    using ratecheck::Quality;
    Doubt doubt = Doubt::Other;
    SignalState state = SignalState::Weak;
    const bool heartHeard = check.checkedBpm || check.heardUnchecked;
    const bool anyHeard = heartHeard || check.pulseHeard;
    if (check.quality == Quality::Good) {
        doubt = Doubt::Clear;
        state = SignalState::Good;
    } else if (check.talking) {
        // A voice covers the heartbeat; the cable is not to blame.
        doubt = Doubt::Talking;
        state = heartHeard ? SignalState::Weak : SignalState::None;
    } else if (check.quality == Quality::None) {
        doubt = Doubt::NoHeartbeat;
        state = SignalState::None;
    } else if (check.quality == Quality::Maternal) {
        doubt = Doubt::MaternalPulse;
    } else if (check.quality == Quality::Half) {
        doubt = Doubt::HalfRate;
    } else if (check.quality == Quality::Unsure && check.checkedBpm) {
        // A slow rate that may be the baby's or the mother's: never advise moving away from it. Its
        // hint speaks of a heart beating at the number shown; a rate the check hears elsewhere
        // leaves the number doubtful with nothing to say of it.
        if (std::abs(*check.checkedBpm - shownBpm) <= ratecheck::kSameRateBpm) {
            doubt = Doubt::Unsure;
        }
    } else if (check.quality == Quality::Unsure && check.pulseHeard) {
        // Her pulse where the baby, lost as he fell, may beat too: no rate of his to check, but the
        // heart at the number shown may be his.
        doubt = Doubt::Unsure;
    } else if (!anyHeard) {
        // Doubtful against an earlier second's rhythm, and the newest one has none of the baby. A
        // baby lost as he fell fast is often not heard again until he comes back up: the heart is
        // not gone then, and the cable is not to blame.
        doubt = check.fetalLostFalling ? Doubt::Other : Doubt::NoHeartbeat;
    }
    if (clipping) {
        // The number of a clipped second is doubtful, but what the check heard in it still counts
        // towards its own hint.
        state = SignalState::Weak;
    }
    std::rotate(m_seen.rbegin(), m_seen.rbegin() + 1, m_seen.rend());
    m_seen.front() = {doubt, clipping, anyHeard, check.quality == Quality::Unsure && anyHeard};
    m_hint = HintDue();
    return {state, m_hint};
}

int LiveMark::CountOf(Doubt doubt, int seconds) const {
    return static_cast<int>(std::count_if(m_seen.begin(), m_seen.begin() + seconds,
                                          [doubt](const Seen& s) { return s.doubt == doubt; }));
}

int LiveMark::ClippingIn(int seconds) const {
    return static_cast<int>(std::count_if(m_seen.begin(), m_seen.begin() + seconds,
                                          [](const Seen& s) { return s.clipping; }));
}

Hint LiveMark::HintDue() const {
    const Seen& newest = m_seen.front();
    if (newest.doubt == Doubt::Clear && !newest.clipping) {
        return Hint::None;
    }
    // A hint shown stays while its doubt lasts, so a stray second does not make it flicker.
    const bool loudStays = m_hint == Hint::TooLoud && ClippingIn(kHintClearsAfter) > 0;
    const bool loudComes = newest.clipping && ClippingIn(kHintWindow) >= kHintAfter;
    if (loudStays || loudComes) {
        return Hint::TooLoud;
    }
    if (newest.doubt == Doubt::Clear) {
        return Hint::None;
    }
    constexpr std::pair<Doubt, Hint> kHints[] = {
        {Doubt::MaternalPulse, Hint::MaternalPulse},
        {Doubt::HalfRate, Hint::HalfRate},
        {Doubt::Talking, Hint::Talking},
        {Doubt::Unsure, Hint::Unsure},
        {Doubt::NoHeartbeat, Hint::NoHeartbeat},
    };
    for (const auto& [doubt, hint] : kHints) {
        // A hint the newest second gainsays goes at once: "no heartbeat heard" once the check
        // hears the baby's rate, "mother's pulse" once it cannot tell her rhythm from his.
        const bool contradicted = (hint == Hint::NoHeartbeat && newest.heartHeard) ||
                                  (hint == Hint::MaternalPulse && newest.unsure);
        const bool stays = hint == m_hint && !contradicted && CountOf(doubt, kHintClearsAfter) > 0;
        const bool comes = newest.doubt == doubt &&
                           (doubt == Doubt::Unsure ? CountOf(doubt, kUnsureWindow) >= kUnsureAfter
                                                   : CountOf(doubt, kHintWindow) >= kHintAfter);
        if (stays || comes) {
            return hint;
        }
    }
    return Hint::None;
}

LiveSignal::LiveSignal(Sink sink) : m_sink(std::move(sink)) {
    Restart();
}

void LiveSignal::Restart() {
    m_check.emplace([this](std::int32_t shownBpm, const ratecheck::SecondCheck& check) {
        m_sink(m_mark.Next(check, shownBpm, m_level.Clipping()));
    });
    m_level.Restart();
    m_mark.Restart();
}

void LiveSignal::FeedBlock(std::span<const std::uint8_t> captureBytes) {
    m_level.Feed(captureBytes);
    m_check->FeedAudio(captureBytes);
}

void LiveSignal::FeedShown(std::int32_t shownBpm) {
    m_check->FeedShown(shownBpm);
}

}  // namespace marulo::livesignal
