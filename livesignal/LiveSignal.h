// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "livesignal/InputLevel.h"
#include "ratecheck/RateCheck.h"

namespace marulo::livesignal {

// What the mark beside the live number says of the second just shown.
enum class SignalState : std::uint8_t {
    Good,  // the shown rate is the baby's
    Weak,  // a signal, but the number is doubtful
    None,  // no usable signal of the baby
};

// The one short line of advice under the number.
enum class Hint : std::uint8_t {
    None,
    MaternalPulse,  // the probe hears the mother's pulse
    HalfRate,       // the number may be half the baby's rate
    NoHeartbeat,    // no heartbeat heard: cable or gel
    TooLoud,        // the audio reaches the ends of the sample range
    Talking,        // a voice covers the heartbeat
    Unsure,         // a slow heartbeat that may be the baby's or the mother's
};

struct LiveSignalValue {
    SignalState state = SignalState::None;
    Hint hint = Hint::None;

    bool operator==(const LiveSignalValue&) const = default;
};

// The keys of the texts in the language files: the mark's word, and the hint's line (none for no
// hint).
const char* MarkTextKey(SignalState state);
const char* HintTextKey(Hint hint);

// The mark and the hint of each judged second, from the check of that second and of the seconds
// before it: a hint comes once the same doubt held most of the last seconds and goes when the
// doubt clears, so a stray second neither raises nor drops one.
class LiveMark {
public:
    // Seconds of the same doubt before its hint shows, out of the last kHintWindow.
    static constexpr int kHintWindow = 5;
    static constexpr int kHintAfter = 4;
    // "Cannot tell baby from mother" asks nothing of the parent and speaks of a lasting state, so
    // it waits until the doubt has held most of a longer stretch.
    static constexpr int kUnsureWindow = 10;
    static constexpr int kUnsureAfter = 8;
    // A hint goes once its doubt is missing from this many seconds in a row, or at a good second.
    static constexpr int kHintClearsAfter = 3;

    // Starts afresh, as at the opening of a run.
    void Restart();
    // The value of the next second: its check, the rate shown in it, and whether the input clipped
    // while it was judged.
    LiveSignalValue Next(const ratecheck::SecondCheck& check, std::int32_t shownBpm, bool clipping);

private:
    // What the check of one second counts towards.
    enum class Doubt : std::uint8_t {
        Clear,
        MaternalPulse,
        HalfRate,
        NoHeartbeat,
        Talking,
        Unsure,
        Other,
    };
    struct Seen {
        Doubt doubt = Doubt::Clear;
        bool clipping = false;
        bool heartHeard = false;  // the check has the baby's rate for this second
        bool unsure = false;      // unsure with a checked rate: nothing calls the number hers
    };

    Hint HintDue() const;
    int CountOf(Doubt doubt, int seconds) const;
    int ClippingIn(int seconds) const;

    // The last seconds judged, newest first; clear before a run has any.
    std::array<Seen, kUnsureWindow> m_seen{};
    Hint m_hint = Hint::None;
};

// The live mark of a run: fed every block and every shown rate in capture order, it gives one
// value a second, as soon as the second analysis has judged that second's shown rate.
class LiveSignal {
public:
    using Sink = std::function<void(const LiveSignalValue& value)>;

    explicit LiveSignal(Sink sink);

    // Starts afresh, as at the opening of a run.
    void Restart();
    void FeedBlock(std::span<const std::uint8_t> captureBytes);
    void FeedShown(std::int32_t shownBpm);

private:
    Sink m_sink;
    std::optional<ratecheck::RateCheck> m_check;
    // Too loud while the input clips.
    InputLevel m_level;
    LiveMark m_mark;
};

}  // namespace marulo::livesignal
