// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "ratecheck/BandEnvelopes.h"
#include "ratecheck/Rhythm.h"

namespace marulo::ratecheck {

// How far the rate shown in a second can be believed.
enum class Quality : std::uint8_t {
    Good,      // the baby's rate
    Half,      // half the baby's rate
    Double,    // twice the baby's rate
    Maternal,  // the mother's pulse
    None,      // no usable signal of the baby: silence, hiss, rubbing, talking
    Unsure,    // a signal, but nothing to hold the number against
};

// good, half, double, maternal, none or unsure.
std::string_view QualityWord(Quality quality);

// What a strip of marks under a trace tells a reader at a glance.
enum class Mark : std::uint8_t {
    Confirmed,  // good
    Doubtful,   // half, double, maternal or unsure
    NoSignal,   // none
};

Mark MarkOf(Quality quality);

struct SecondCheck {
    Quality quality = Quality::None;
    std::optional<std::int32_t> checkedBpm;  // the baby's rate where the analysis is confident
    bool talking = false;                    // a voice was heard over the second
    bool pulseHeard = false;  // a heart was heard in the second, the baby's or the mother's
    // The baby was lost as he fell fast and a rhythm is still heard: no sign that he is gone.
    bool fetalLostFalling = false;
    // A heart is heard, but at a rate most likely the mother's alone: no checked rate is given.
    bool heardUnchecked = false;
};

// A mark for each of a trace's seconds; seconds beyond the checks have no signal.
std::vector<Mark> MarksFor(std::size_t traceSeconds, std::span<const SecondCheck> checks);

// A rate this close to the shown one beats at the number shown.
inline constexpr double kSameRateBpm = 5.0;

// The display lags the audio by two to three seconds, so a shown rate is held against the
// estimates of the seconds up to three before it.
inline constexpr std::size_t kJudgedSeconds = 4;

// The quality of a shown rate (0 or less: none shown) given the estimates of its second and up to
// three before it, oldest first.
Quality JudgeShown(std::int32_t shownBpm, std::span<const SecondEstimate> recent);

// The second, independent analysis of capture-format audio: fed the audio piece by piece and the
// rate the detector showed each second, it gives every second the quality of that rate and a
// checked rate. Memory stays the same for any length as long as both are fed alike.
class RateCheck {
public:
    using Sink = std::function<void(std::int32_t shownBpm, const SecondCheck& check)>;

    explicit RateCheck(Sink sink) : m_sink(std::move(sink)) {}

    void FeedAudio(std::span<const std::uint8_t> captureBytes);
    void FeedShown(std::int32_t shownBpm);

private:
    void Pair();

    Sink m_sink;
    BandEnvelopes m_envelopes;
    RhythmEstimator m_rhythm;
    std::deque<SecondEstimate> m_pendingEstimates;
    std::deque<std::int32_t> m_pendingShown;
    std::vector<SecondEstimate> m_recent;  // the judged seconds, oldest first
};

}  // namespace marulo::ratecheck
