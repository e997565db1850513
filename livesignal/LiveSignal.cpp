// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/LiveSignal.h"

#include <algorithm>
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

LiveSignal::LiveSignal(Sink sink) : m_sink(std::move(sink)) {
    Restart();
}

void LiveSignal::Restart() {
    m_check.emplace(
        [this](std::int32_t /*shownBpm*/, const ratecheck::SecondCheck& check) { Judge(check); });
    m_level.Restart();
    m_doubts.fill(Doubt::Clear);
    m_hint = Hint::None;
}

void LiveSignal::FeedBlock(std::span<const std::uint8_t> captureBytes) {
    m_level.Feed(captureBytes);
    m_check->FeedAudio(captureBytes);
}

void LiveSignal::FeedShown(std::int32_t shownBpm) {
    m_check->FeedShown(shownBpm);
}

void LiveSignal::Judge(const ratecheck::SecondCheck& check) {
    using ratecheck::Quality;
    Doubt doubt = Doubt::Other;
    SignalState state = SignalState::Weak;
    if (m_level.Clipping()) {
        doubt = Doubt::TooLoud;
    } else if (check.quality == Quality::Good) {
        doubt = Doubt::Clear;
        state = SignalState::Good;
    } else if (check.talking) {
        // A voice covers the heartbeat; the cable is not to blame.
        doubt = Doubt::Talking;
        state = check.checkedBpm ? SignalState::Weak : SignalState::None;
    } else if (check.quality == Quality::None) {
        doubt = Doubt::NoHeartbeat;
        state = SignalState::None;
    } else if (check.quality == Quality::Maternal) {
        doubt = Doubt::MaternalPulse;
    } else if (check.quality == Quality::Half) {
        doubt = Doubt::HalfRate;
    } else if (check.quality == Quality::Unsure && check.checkedBpm) {
        // A slow rate that may be the baby's or the mother's: never advise moving away from it.
        doubt = Doubt::Unsure;
    } else if (!check.checkedBpm) {
        // Doubtful against an earlier second's rhythm, and the newest one has none of the baby.
        doubt = Doubt::NoHeartbeat;
    }
    std::rotate(m_doubts.rbegin(), m_doubts.rbegin() + 1, m_doubts.rend());
    m_doubts.front() = doubt;
    m_hint = HintDue();
    m_sink({state, m_hint});
}

int LiveSignal::CountOf(Doubt doubt, int seconds) const {
    return static_cast<int>(std::count(m_doubts.begin(), m_doubts.begin() + seconds, doubt));
}

Hint LiveSignal::HintDue() const {
    constexpr std::pair<Doubt, Hint> kHints[] = {
        {Doubt::TooLoud, Hint::TooLoud},   {Doubt::MaternalPulse, Hint::MaternalPulse},
        {Doubt::HalfRate, Hint::HalfRate}, {Doubt::Talking, Hint::Talking},
        {Doubt::Unsure, Hint::Unsure},     {Doubt::NoHeartbeat, Hint::NoHeartbeat},
    };
    if (m_doubts.front() == Doubt::Clear) {
        return Hint::None;
    }
    // A hint shown stays while its doubt lasts, so a stray second does not make it flicker.
    for (const auto& [doubt, hint] : kHints) {
        const bool stays = hint == m_hint && CountOf(doubt, kHintClearsAfter) > 0;
        const bool comes = m_doubts.front() == doubt && CountOf(doubt, kHintWindow) >= kHintAfter;
        if (stays || comes) {
            return hint;
        }
    }
    return Hint::None;
}

}  // namespace marulo::livesignal
