// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <optional>
#include <vector>

#include "ratecheck/BandEnvelopes.h"
#include "ratecheck/BandRhythms.h"
#include "ratecheck/VoiceWatch.h"

namespace marulo::ratecheck {

// What one second of audio says on its own, from the rhythm of the last four seconds.
struct SecondEstimate {
    std::optional<double> fetalBpm;     // a confident rate in the baby's range
    std::optional<double> maternalBpm;  // a confident rate in the mother's range, not the baby's
    bool rhythmic = false;  // any rhythm at all, and no talking; else there is no usable signal
    bool talking = false;   // a voice over the second: only the baby's followed rhythm is believed
    // The baby's rate is slow and the mother's pulse beats at it too, and nothing tells whose it
    // is.
    bool fetalMayBeMaternal = false;
    // The mother's rate may be the baby's too: he was lost as he fell fast, and may have reached
    // it.
    bool maternalMayBeFetal = false;
    // The baby was lost as he fell fast, is not heard in his range since, and a rhythm is still
    // heard: a second with none of his is no sign that he is gone.
    bool fetalLostFalling = false;
    // The baby's doubtful rhythm is most likely the mother's: followed onto her rate, it has
    // sounded like her vessel there for some seconds, or, at her fastest rates and not followed, it
    // beats at the rate she was heard beating at apart from him. Its rate is none to give as his.
    bool fetalMostLikelyMaternal = false;
};

// A rhythm's period, in envelope frames, remembered for some seconds after it was last heard.
class RememberedPeriod {
public:
    explicit RememberedPeriod(int memorySeconds) : m_memorySeconds(memorySeconds) {}

    const std::optional<double>& Period() const { return m_period; }
    void Heard(double period);
    // Heard again now at the period it had.
    void HeardAgain() { m_secondsSince = 0; }
    // The same rhythm, read at another period: not heard anew.
    void MoveTo(double period) { m_period = period; }
    // One second more; whether it is forgotten, having gone unheard too long.
    bool Age();
    // Whether a period continues it, allowing for the seconds it went unheard.
    bool Continues(double period) const;
    // Whether it is remembered at about this period.
    bool IsAt(double period) const;
    // Whether it was heard within this many seconds.
    bool HeardWithin(int seconds) const { return m_period && m_secondsSince <= seconds; }

private:
    std::optional<double> m_period;
    int m_secondsSince = 0;
    int m_memorySeconds;
};

// The normalised autocorrelation of each band envelope once a second, scored for the baby's
// period (rewarding the period and its double, penalising its half) and for the mother's pulse,
// each in the band that shows it best, with the baby's rate followed from second to second, also
// below the usual range as long as it falls there gradually.
class RhythmEstimator {
public:
    static constexpr std::size_t kWindow = 4 * kEnvelopeRate;

    // Gives the estimate of the second that this frame completes, otherwise nothing.
    std::optional<SecondEstimate> Add(const EnvelopeFrame& frame);

private:
    // The rhythms one second offers: the baby's and the mother's periods (0 where a range had no
    // peak), and whether each is heard.
    struct Rhythms {
        double fetalPeriod = 0.0;
        double maternalPeriod = 0.0;
        bool fetalHeard = false;
        bool maternalHeard = false;
        bool fetalFaint = false;  // heard only as a baby held beside her
    };
    SecondEstimate Estimate();
    Rhythms PickRhythms(const std::vector<std::size_t>& usable, SecondEstimate& estimate);
    void TakeWholeBeat(Rhythms& rhythms);
    void FollowOffHerRate(Rhythms& rhythms);
    bool TellSlowRhythm(Rhythms& rhythms, SecondEstimate& estimate);
    bool FollowedAtHerRate(const Rhythms& rhythms, const SecondEstimate& estimate) const;
    bool BridgedOntoHer(double fetalPeriod, bool atHerRate);
    bool SettledOnHer(double fetalPeriod, bool atHerRate);
    void Remember(const Rhythms& rhythms, bool byValves, SecondEstimate& estimate);

    std::array<std::vector<float>, kBands> m_history;
    VoiceWatch m_voice;  // kept as long as the history
    std::size_t m_framesThisSecond = 0;
    bool Followed(double period) const;
    // The best rhythm of the baby's range and of the mother's, and how well each repeats.
    struct Repeats {
        double fetalPeriod = 0.0;
        float fetalRepeat = 0.0F;
        double herPeriod = 0.0;
        float herRepeat = 0.0F;
    };
    bool HeldWhereHeard(double fetalPeriod) const;
    static bool BesideHer(const Repeats& repeats);
    bool RepeatsBesideHer(std::optional<double> faintPeriod);
    bool SignsOfMother(double period) const;
    std::optional<double> SlowRhythmBesideHers(double herPeriod) const;
    bool HersBesideHim(double period) const;
    std::optional<double> FasterRhythmBesideHers(double herPeriod) const;
    bool HersUnderHim(double period) const;
    bool LostNearHer(double period) const;
    void NoteUnheardFall(const Rhythms& rhythms);

    static constexpr int kTrackMemorySeconds = 5;
    // Long enough to tell a baby who slowed gradually from a probe that jumped onto her vessel.
    static constexpr int kLastFetalMemorySeconds = 30;

    RememberedPeriod m_track{kTrackMemorySeconds};  // the baby's rhythm followed so far
    int m_steadySeconds = 0;                        // in a row with the followed rhythm heard
    bool m_trackFalling = false;     // the followed rhythm slowed in the last second it was heard
    bool m_twoSoundsBefore = false;  // the last second heard a slow beat of two like sounds
    bool m_bridgedOntoHer = false;   // followed across a gap onto her rate, and still there
    // Seconds in a row followed on her rate sounding like her vessel, kept once there are enough.
    int m_deepOnHerSeconds = 0;
    // The baby's period last heard, kept longer: a slow rhythm far from it came by a jump.
    RememberedPeriod m_lastFetal{kLastFetalMemorySeconds};
    // A slow rhythm found the mother's, followed as such.
    RememberedPeriod m_maternal{kTrackMemorySeconds};
    // The mother's rhythm lately heard beating apart from the slowed baby's: never his.
    RememberedPeriod m_herBeside{kTrackMemorySeconds};
    // Her rhythm last heard beating apart from the baby's, kept while it holds: if he is followed
    // onto her rate, his own rhythm coming back beside it tells the two apart.
    RememberedPeriod m_herApart{kLastFetalMemorySeconds};
    // A faint rhythm of his range last found beside her loud pulse, and for how many seconds
    // running.
    std::optional<double> m_faintBesideHer;
    int m_faintSeconds = 0;
    // Seconds since the baby was lost falling fast (-1: he was not, or is heard in his range
    // again).
    int m_fallenSeconds = -1;
    // A faster rhythm heard beside her the second before: his, once heard two seconds running.
    std::optional<double> m_risingPeriod;
    BandRhythms m_bands;
};

}  // namespace marulo::ratecheck
