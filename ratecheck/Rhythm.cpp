// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/Rhythm.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "ratecheck/RhythmScale.h"

namespace marulo::ratecheck {

using namespace rhythm;

namespace {

constexpr float kDoubleReward = 0.5F;
constexpr float kHalfPenalty = 0.5F;

constexpr double kOutsidePenaltyPerBpm = 0.02;
// Above 200 more so: twice a slow baby's rate, with his second sound near mid-beat, repeats as well
// as his own.
constexpr double kFastPenaltyPerBpm = 0.04;
constexpr double kJumpCost = 1.0;  // per unit of log period

// How far the baby's period may move in a second (log period) and still be the rhythm followed.
constexpr double kFollowedChange = 0.08;
constexpr int kFollowedGapSeconds = 2;
// A baby in a deceleration slows by more than this a second; a steady rate wanders less.
constexpr double kFallingStep = 0.01;
// Beside her loud pulse a baby followed steadily is believed at a fainter repeat, as long as he is
// found again within this much of his period, heard a second or two before.
constexpr float kHeldBesideHerConfidence = 0.20F;
constexpr double kHeldChange = 0.04;
constexpr int kHeldGapSeconds = 2;
constexpr int kHeldSteadySeconds = 2;
// Never followed, he may be masked by her from the first second: a faint rhythm above her fastest
// rate, found at the same period this many seconds running beside her, is his.
constexpr int kFaintRunSeconds = 3;
// A rhythm at twice the baby's period repeating this much better than he does is her pulse beating
// at half his rate, not his own repeat.
constexpr float kHerFarStronger = 0.3F;
// A baby followed onto the rate his mother was heard beating at, heard there this many seconds
// running with the sound of her vessel rather than his valves: she may be all that is left there,
// as long as the rhythm stays at her rate.
constexpr int kSettledOnHerSeconds = 5;
// For this long after he was lost falling, a baby not heard again in his range may be at any slow
// rate: long enough for a deceleration's fall and hold.
constexpr int kFallenSeconds = 30;

// A period's half or third that repeats as well is the sign of a multiple of the true period
// (the third catches one and a half periods when the second sound falls near mid-beat).
float PeriodScore(const std::vector<float>& r, std::size_t period) {
    const auto whole = static_cast<double>(period);
    return r[period] + kDoubleReward * r[2 * period] -
           kHalfPenalty * std::max({0.0F, At(r, whole / 2.0), At(r, whole / 3.0)});
}

// A rhythm at twice or three times the baby's period is his own repeating there: no sign of her.
bool HisOwnRepeat(double period, double fetalPeriod) {
    return SamePeriod(period, 2.0 * fetalPeriod) || SamePeriod(period, 3.0 * fetalPeriod);
}

}  // namespace

std::optional<SecondEstimate> RhythmEstimator::Add(const EnvelopeFrame& frame) {
    for (std::size_t b = 0; b < kBands; ++b) {
        m_history[b].push_back(frame.bands[b]);
    }
    m_voice.Add(frame);
    if (++m_framesThisSecond < kEnvelopeRate) {
        return std::nullopt;
    }
    m_framesThisSecond = 0;
    const SecondEstimate estimate = Estimate();
    for (auto& history : m_history) {
        KeepNewest(history, kWindow - kEnvelopeRate);
    }
    m_voice.KeepNewest(kWindow - kEnvelopeRate);
    return estimate;
}

void RememberedPeriod::Heard(double period) {
    m_period = period;
    m_secondsSince = 0;
}

bool RememberedPeriod::Age() {
    if (++m_secondsSince > m_memorySeconds) {
        m_period.reset();
        return true;
    }
    return false;
}

bool RememberedPeriod::Continues(double period) const {
    return m_period && LogDistance(period, *m_period) <=
                           kFollowedChange * std::min(m_secondsSince, kFollowedGapSeconds);
}

bool RememberedPeriod::IsAt(double period) const {
    return m_period && SamePeriod(period, *m_period);
}

bool RhythmEstimator::Followed(double period) const {
    return m_track.Continues(period);
}

// A baby followed steadily and heard a second or two ago, found again at the period he had.
bool RhythmEstimator::HeldWhereHeard(double fetalPeriod) const {
    return m_track.HeardWithin(kHeldGapSeconds) && m_steadySeconds >= kHeldSteadySeconds &&
           LogDistance(fetalPeriod, *m_track.Period()) <= kHeldChange;
}

// Her pulse beating loud apart from a rhythm of the baby's range, and not as its own repeat.
bool RhythmEstimator::BesideHer(const Repeats& repeats) {
    const bool hers = !HisOwnRepeat(repeats.herPeriod, repeats.fetalPeriod) ||
                      (SamePeriod(repeats.herPeriod, 2.0 * repeats.fetalPeriod) &&
                       repeats.herRepeat >= repeats.fetalRepeat + kHerFarStronger);
    return repeats.herRepeat >= kMaternalConfidence &&
           LogDistance(repeats.fetalPeriod, repeats.herPeriod) > kJumped && hers;
}

// A faint rhythm above her fastest rate found beside her loud pulse, this second or none; gives
// whether it has been found at about the same period long enough to be his.
bool RhythmEstimator::RepeatsBesideHer(std::optional<double> faintPeriod) {
    const bool continues = faintPeriod && m_faintBesideHer &&
                           LogDistance(*faintPeriod, *m_faintBesideHer) <= kHeldChange;
    m_faintSeconds = continues ? m_faintSeconds + 1 : (faintPeriod ? 1 : 0);
    m_faintBesideHer = faintPeriod;
    return m_faintSeconds >= kFaintRunSeconds;
}

// Beside her pulse, deep and strongest in the lowest band, a second slow rhythm at another period
// that sounds like the baby and repeats better than its half is his: two hearts beating apart.
std::optional<double> RhythmEstimator::SlowRhythmBesideHers(double herPeriod) const {
    if (!m_lastFetal.Period() || !m_bands.Usable(kHighestBand) || !m_bands.SoundsDeep(herPeriod)) {
        return std::nullopt;
    }
    const std::vector<float>& r = m_bands.Correlation(kHighestBand);
    std::optional<double> his;
    float strongest = 0.0F;
    for (std::size_t period = kMaternalShortest; period <= kSlowLongest; ++period) {
        if (r[period] < r[period - 1] || r[period] < r[period + 1] || r[period] <= strongest) {
            continue;
        }
        const double refined = RefinedPeak(r, period);
        // He fell to it from where he was last heard; his own double is no new rhythm.
        if (refined < *m_lastFetal.Period() || SamePeriod(refined, 2.0 * *m_lastFetal.Period()) ||
            SamePeriod(refined, herPeriod) || !m_bands.SoundsFetal(refined) ||
            At(r, refined / 2.0) >= kHalfOfBeat * r[period] ||
            m_bands.HalfCorrelation(kHighestBand, refined, false) < kRecentConfidence) {
            continue;
        }
        his = refined;
        strongest = r[period];
    }
    return his;
}

// Her rhythm lately heard beating beside his.
bool RhythmEstimator::HersBesideHim(double period) const {
    return m_herBeside.IsAt(period);
}

// Her rhythm deeper than a faster one beating beside it: both hearts heard at once, his the higher.
bool RhythmEstimator::HersUnderHim(double period) const {
    const auto his = FasterRhythmBesideHers(period);
    return his && m_bands.SoundsHigher(*his, period);
}

// Beside her pulse, followed as the baby's after he fell to her rate, a faster rhythm that repeats
// better than its half, clearly above hers and below 1.6 times it (he climbs back from her rate):
// he came back up and she held. The followed one must sound deep, as her vessel does.
std::optional<double> RhythmEstimator::FasterRhythmBesideHers(double herPeriod) const {
    if (!m_bands.SoundsDeep(herPeriod)) {
        return std::nullopt;
    }
    std::optional<double> his;
    double best = 0.0;
    for (std::size_t b = 0; b < kBands; ++b) {
        if (!m_bands.Usable(b)) {
            continue;
        }
        const std::vector<float>& r = m_bands.Correlation(b);
        for (std::size_t period = kFetalShortest; period <= kFetalLongest; ++period) {
            if (r[period] < r[period - 1] || r[period] < r[period + 1] ||
                r[period] < kFetalConfidence) {
                continue;
            }
            const double refined = RefinedPeak(r, period);
            if (LogDistance(refined, herPeriod) <= kJumped ||
                LogDistance(refined, herPeriod) > kRisenFromHer ||
                At(r, refined / 2.0) >= kHalfOfBeat * r[period] ||
                m_bands.HalfCorrelation(b, refined, false) < kRecentConfidence) {
                continue;
            }
            const double score = PeriodScore(r, period);
            if (score > best) {
                his = refined;
                best = score;
            }
        }
    }
    return his;
}

// A baby falling toward her rate is lost once he comes within a second's fall of where the two can
// be told apart: the rhythm left at her rate is no jump from him, as a slip onto her vessel is.
bool RhythmEstimator::LostNearHer(double period) const {
    return m_trackFalling && m_track.Period() && m_herApart.IsAt(period) &&
           LogDistance(period, *m_track.Period()) <= kJumped + kFollowedChange;
}

// A slow rhythm is the mother's when it jumped from a baby followed steadily as he was lost, when
// it continues a rhythm found hers, or when it sounds like her vessel.
bool RhythmEstimator::SignsOfMother(double period) const {
    const bool jumped = m_track.Period() && m_steadySeconds >= kSteadySeconds &&
                        LogDistance(period, *m_track.Period()) > kJumped && !LostNearHer(period);
    return jumped || m_maternal.Continues(period) || m_bands.SoundsMaternal(period);
}

SecondEstimate RhythmEstimator::Estimate() {
    SecondEstimate estimate;
    const bool filled = m_history[0].size() >= kShortestWindow;
    // Over a voice only the baby's rhythm followed until now is believed.
    estimate.talking = filled && m_voice.Talking();
    if (estimate.talking && m_voice.Drowns()) {
        // The heart is not heard, not gone: what was followed waits for the voice to stop.
        return estimate;
    }
    if (m_track.Age()) {
        m_steadySeconds = 0;
    }
    m_lastFetal.Age();
    m_herBeside.Age();
    m_maternal.Age();
    m_herApart.Age();
    if (!filled) {
        return estimate;
    }
    if (!estimate.talking) {
        m_voice.NoteQuietLevel();
    } else if (!m_track.Period()) {
        return estimate;
    }
    const std::vector<std::size_t> usable = m_bands.Correlate(m_history);
    if (usable.empty()) {
        return estimate;
    }
    Rhythms rhythms = PickRhythms(usable, estimate);
    TakeWholeBeat(rhythms);
    FollowOffHerRate(rhythms);
    NoteUnheardFall(rhythms);
    estimate.fetalLostFalling = m_fallenSeconds >= 0 && estimate.rhythmic;
    const bool byValves = TellSlowRhythm(rhythms, estimate);
    const bool atHerRate = FollowedAtHerRate(rhythms, estimate);
    const bool bridged = BridgedOntoHer(rhythms.fetalPeriod, atHerRate);
    const bool settled = SettledOnHer(rhythms.fetalPeriod, atHerRate);
    Remember(rhythms, byValves, estimate);
    // Still followed, so that he is found again as he leaves her rate.
    estimate.fetalMayBeMaternal = estimate.fetalMayBeMaternal || bridged || settled;
    estimate.fetalMostLikelyMaternal = estimate.fetalMostLikelyMaternal || settled;
    return estimate;
}

// The strongest rhythm of each range over the usable bands, and whether each holds well enough,
// also in the newest two seconds, to be heard.
RhythmEstimator::Rhythms RhythmEstimator::PickRhythms(const std::vector<std::size_t>& usable,
                                                      SecondEstimate& estimate) {
    struct Pick {
        std::size_t band = 0;
        std::size_t period = 0;
        double score = -1e9;
    };
    Pick fetal;
    Pick maternal;
    for (const std::size_t b : usable) {
        const std::vector<float>& r = m_bands.Correlation(b);
        estimate.rhythmic =
            !estimate.talking &&
            (estimate.rhythmic || *std::max_element(r.begin() + kFetalShortest / 2,
                                                    r.begin() + 2 * kFetalLongest) >= kRhythmic);
        for (std::size_t period = kFetalShortest; period <= kSlowLongest; ++period) {
            if (r[period] < r[period - 1] || r[period] < r[period + 1]) {
                continue;
            }
            const bool followed = Followed(static_cast<double>(period));
            if ((period > kFetalLongest || estimate.talking) && !followed) {
                continue;
            }
            const double bpm = Bpm(static_cast<double>(period));
            // Where the baby's rate meets the mother's, a rhythm with the sound of her vessel is
            // hers, however gradually it was reached.
            if ((bpm < kMaternalFastestBpm &&
                 m_bands.SoundsMaternal(static_cast<double>(period))) ||
                (bpm < kSlowFetalBpm && HersBesideHim(static_cast<double>(period)))) {
                continue;
            }
            // Deeper than a faster rhythm beating beside it, at any of her rates: hers. A baby
            // followed onto her rate is followed off it as he climbs back.
            if (bpm < kMaternalFastestBpm &&
                !(followed && m_herApart.IsAt(static_cast<double>(period))) &&
                HersUnderHim(static_cast<double>(period))) {
                continue;
            }
            // Under a faster rhythm of its own, a deep slow rhythm not reached gradually is hers.
            if (bpm < kMaternalFastestBpm && !followed &&
                m_bands.FasterRhythmAbove(static_cast<double>(period))) {
                continue;
            }
            if (period > kFetalLongest) {
                m_bands.FillLag(b, 2 * period);
            }
            double score = PeriodScore(r, period);
            // Rates outside 100..200 are rare in a baby and common in what imitates one, unless
            // the baby's own rate went there.
            if (!followed) {
                score -= kOutsidePenaltyPerBpm * std::max(0.0, kUsualSlowestBpm - bpm) +
                         kFastPenaltyPerBpm * std::max(0.0, bpm - kFastFetalBpm);
            }
            if (m_track.Period()) {
                score -=
                    kJumpCost * std::abs(std::log(static_cast<double>(period) / *m_track.Period()));
            }
            if (score > fetal.score) {
                fetal = {b, period, score};
            }
        }
        for (std::size_t period = kMaternalShortest;
             period <= kMaternalLongest && !estimate.talking; ++period) {
            if (r[period] < r[period - 1] || r[period] < r[period + 1]) {
                continue;
            }
            m_bands.FillLag(b, 2 * period);
            const double score = PeriodScore(r, period);
            if (score > maternal.score) {
                maternal = {b, period, score};
            }
        }
    }
    // A range without a peak has no period to offer.
    Rhythms rhythms;
    rhythms.fetalPeriod =
        fetal.period == 0 ? 0.0 : RefinedPeak(m_bands.Correlation(fetal.band), fetal.period);
    rhythms.maternalPeriod = maternal.period == 0
                                 ? 0.0
                                 : RefinedPeak(m_bands.Correlation(maternal.band), maternal.period);
    const float fetalRepeat =
        fetal.period == 0 ? 0.0F : m_bands.Correlation(fetal.band)[fetal.period];
    const bool fetalRecent =
        fetal.period != 0 &&
        m_bands.HalfCorrelation(fetal.band, rhythms.fetalPeriod, false) >= kRecentConfidence;
    const bool besideHer = fetal.period != 0 && maternal.period != 0 && !estimate.talking &&
                           BesideHer({rhythms.fetalPeriod, fetalRepeat, rhythms.maternalPeriod,
                                      m_bands.Correlation(maternal.band)[maternal.period]});
    const bool faint = besideHer && fetalRecent && fetalRepeat >= kHeldBesideHerConfidence &&
                       Bpm(rhythms.fetalPeriod) >= kMaternalFastestBpm;
    const bool repeatsBesideHer =
        RepeatsBesideHer(faint ? std::optional(rhythms.fetalPeriod) : std::nullopt);
    // Her rhythm masks his: he is believed at a fainter repeat.
    const bool held = besideHer && (repeatsBesideHer || HeldWhereHeard(rhythms.fetalPeriod));
    rhythms.fetalHeard =
        fetalRecent &&
        fetalRepeat >= (estimate.talking ? kTalkedOverConfidence
                                         : (held ? kHeldBesideHerConfidence : kFetalConfidence));
    rhythms.fetalFaint = rhythms.fetalHeard && fetalRepeat < kFetalConfidence;
    rhythms.maternalHeard =
        maternal.period != 0 &&
        m_bands.Correlation(maternal.band)[maternal.period] >= kMaternalConfidence &&
        m_bands.HalfCorrelation(maternal.band, rhythms.maternalPeriod, false) >=
            kRecentConfidence &&
        (m_history[maternal.band].size() < kWindow ||
         m_bands.HalfCorrelation(maternal.band, rhythms.maternalPeriod, true) >= kRecentConfidence);
    return rhythms;
}

// A rhythm heard at a part of a slower beat of two sounds is taken at the whole beat.
void RhythmEstimator::TakeWholeBeat(Rhythms& rhythms) {
    bool twoSounds = false;
    if (rhythms.fetalHeard && rhythms.maternalPeriod != 0.0 &&
        m_bands.HalfOfSlowerBeat(rhythms.fetalPeriod, rhythms.maternalPeriod)) {
        // Heard at twice his rate: the second sound falls near mid-beat. The rhythm followed so
        // far at the half beat is the same baby.
        if (Followed(rhythms.fetalPeriod)) {
            m_track.MoveTo(rhythms.maternalPeriod);
        }
        rhythms.fetalPeriod = rhythms.maternalPeriod;
        rhythms.maternalHeard = false;
    } else if (rhythms.fetalHeard) {
        // The half of a beat of two like sounds is taken at the whole beat, and so are three
        // halves of it: one and a half beats repeat too where the second sound falls near mid-beat.
        double beat = 0.0;
        if (m_bands.HalfOfTwoSoundBeat(rhythms.fetalPeriod)) {
            beat = 2.0 * rhythms.fetalPeriod;
        } else if (2.0 * rhythms.fetalPeriod / 3.0 >= static_cast<double>(kFetalShortest) &&
                   m_bands.HalfOfTwoSoundBeat(rhythms.fetalPeriod / 3.0)) {
            beat = 2.0 * rhythms.fetalPeriod / 3.0;
        } else if (rhythms.maternalPeriod != 0.0 &&
                   m_bands.GapOfTwoSoundBeat(rhythms.fetalPeriod, rhythms.maternalPeriod)) {
            beat = rhythms.maternalPeriod;
        }
        // A baby followed steadily is given up for another rate only when the sign holds two
        // seconds running: a rate does not jump by a ratio from one second to the next.
        const bool steady = Followed(rhythms.fetalPeriod) && m_steadySeconds >= kSteadySeconds;
        if (beat > 0.0 && (!steady || m_twoSoundsBefore)) {
            if (Followed(rhythms.fetalPeriod)) {
                m_track.MoveTo(beat);
            }
            rhythms.fetalPeriod = beat;
        }
        twoSounds = beat > 0.0;
    }
    m_twoSoundsBefore = twoSounds;
}

// A baby followed onto his mother's rate who comes back up beside her is followed off it.
void RhythmEstimator::FollowOffHerRate(Rhythms& rhythms) {
    std::optional<double> rising;
    if (rhythms.fetalHeard && m_herApart.IsAt(rhythms.fetalPeriod) &&
        Followed(rhythms.fetalPeriod)) {
        // Her rate held where the baby was followed onto it; his own may have come back beside it.
        m_herApart.HeardAgain();
        rising = FasterRhythmBesideHers(rhythms.fetalPeriod);
        if (rising && m_risingPeriod && LogDistance(*rising, *m_risingPeriod) <= kFollowedChange) {
            rhythms.maternalPeriod = rhythms.fetalPeriod;
            rhythms.maternalHeard = true;
            rhythms.fetalPeriod = *rising;
            m_track.MoveTo(rhythms.fetalPeriod);
        }
    }
    m_risingPeriod = rising;
}

// Whose a slow rhythm is: the baby's with a sign of him, the mother's with a sign of her, else
// either (`fetalMayBeMaternal`); and the baby found again beside her. Gives whether the baby was
// told by his valves alone, which is not followed on.
bool RhythmEstimator::TellSlowRhythm(Rhythms& rhythms, SecondEstimate& estimate) {
    const bool slow = rhythms.fetalHeard && Bpm(rhythms.fetalPeriod) < kSlowFetalBpm;
    // A slow rhythm the baby's rate fell to gradually, or with the sound of his valves (two sounds
    // a beat, or brief clicks), is his. One told by his valves alone is his while they are heard,
    // but not followed on: the window remembers him after the probe has left him, onto her vessel,
    // into hiss or a voice.
    const bool valves = slow && (m_bands.TwoSoundsOfValves(rhythms.fetalPeriod) ||
                                 m_bands.BriefSounds(rhythms.fetalPeriod));
    const bool fetalSign =
        rhythms.fetalHeard &&
        (Followed(rhythms.fetalPeriod) || m_bands.SoundsFetal(rhythms.fetalPeriod) || valves);
    bool byValves = rhythms.fetalHeard && valves && !Followed(rhythms.fetalPeriod) &&
                    !m_bands.SoundsFetal(rhythms.fetalPeriod);
    const bool maternalSign = slow && !fetalSign && SignsOfMother(rhythms.fetalPeriod);
    if (maternalSign) {
        m_maternal.Heard(rhythms.fetalPeriod);
        rhythms.fetalHeard = false;
        if (!rhythms.maternalHeard) {
            rhythms.maternalHeard = true;
            rhythms.maternalPeriod = rhythms.fetalPeriod;
        }
    }
    // A slow rhythm with no sign of whose it is may be the baby's or the mother's, whether or not
    // her range shows the same peak. Above her usual pulse, up to the fastest of hers, one that
    // sounds far deeper than it does high may be hers however it was reached: a loud vessel there
    // is taken for him from the first second, or he is followed onto it as he falls.
    const bool atHerFastest = rhythms.fetalHeard &&
                              Bpm(rhythms.fetalPeriod) >= kUsualMaternalFastestBpm &&
                              Bpm(rhythms.fetalPeriod) < kMaternalFastestBpm &&
                              m_bands.SoundsFarDeeper(rhythms.fetalPeriod);
    estimate.fetalMayBeMaternal = (rhythms.fetalHeard && slow && !fetalSign) || atHerFastest;
    // Not followed there, at the rate she was heard beating at apart from him: most likely hers.
    estimate.fetalMostLikelyMaternal =
        atHerFastest && m_herApart.IsAt(rhythms.fetalPeriod) && !Followed(rhythms.fetalPeriod);
    if (rhythms.fetalHeard && rhythms.maternalHeard &&
        SamePeriod(rhythms.fetalPeriod, rhythms.maternalPeriod)) {
        rhythms.maternalHeard = false;
    }
    if (!rhythms.fetalHeard && rhythms.maternalHeard && !maternalSign &&
        (m_bands.SoundsFetal(rhythms.maternalPeriod) ||
         m_bands.TwoSoundsOfValves(rhythms.maternalPeriod)) &&
        Bpm(rhythms.maternalPeriod) >= Bpm(static_cast<double>(kSlowLongest)) &&
        !SamePeriod(rhythms.maternalPeriod, 2.0 * rhythms.fetalPeriod)) {
        // A slow rhythm with the baby's sound and not hers, not the double of a faster one: his.
        byValves = !m_bands.SoundsFetal(rhythms.maternalPeriod);
        rhythms.fetalHeard = true;
        rhythms.fetalPeriod = rhythms.maternalPeriod;
        rhythms.maternalHeard = false;
    }
    if (!rhythms.fetalHeard && rhythms.maternalHeard && !estimate.talking) {
        if (const auto his = SlowRhythmBesideHers(rhythms.maternalPeriod)) {
            rhythms.fetalHeard = true;
            rhythms.fetalPeriod = *his;
            m_herBeside.Heard(rhythms.maternalPeriod);
        }
    } else if (rhythms.fetalHeard && rhythms.maternalHeard &&
               HersBesideHim(rhythms.maternalPeriod) &&
               !SamePeriod(rhythms.fetalPeriod, rhythms.maternalPeriod)) {
        // Still both, apart: she goes on beside him.
        m_herBeside.Heard(rhythms.maternalPeriod);
    }
    if (rhythms.fetalHeard && rhythms.maternalHeard &&
        HisOwnRepeat(rhythms.maternalPeriod, rhythms.fetalPeriod)) {
        rhythms.maternalHeard = false;
    }
    if (!rhythms.fetalHeard && rhythms.maternalHeard && !maternalSign) {
        if (SignsOfMother(rhythms.maternalPeriod)) {
            m_maternal.Heard(rhythms.maternalPeriod);
        } else if (Bpm(rhythms.maternalPeriod) >= kUnsignedSlowestBpm ||
                   (m_lastFetal.Period() &&
                    LogDistance(rhythms.maternalPeriod, *m_lastFetal.Period()) <= kJumped)) {
            // A slow rhythm with nothing of the mother's, where a slow baby beats or near where
            // the baby was lately heard: his or hers.
            rhythms.fetalHeard = true;
            rhythms.fetalPeriod = rhythms.maternalPeriod;
            estimate.fetalMayBeMaternal = true;
            rhythms.maternalHeard = false;
        }
    }
    return byValves;
}

// A baby falling fast is smeared out of the window and lost, often until he comes back up: the best
// rhythm of his range, unheard, is found a little slower than where he was followed falling. A
// probe that left a steady baby leaves no such rhythm, and her pulse alone is hers.
void RhythmEstimator::NoteUnheardFall(const Rhythms& rhythms) {
    if (rhythms.fetalHeard && Bpm(rhythms.fetalPeriod) >= kSlowFetalBpm) {
        m_fallenSeconds = -1;
        return;
    }
    if (m_fallenSeconds >= 0 && ++m_fallenSeconds > kFallenSeconds) {
        m_fallenSeconds = -1;
    }
    if (rhythms.fetalHeard || !m_trackFalling || !m_track.Period() || rhythms.fetalPeriod == 0.0) {
        return;
    }
    const double step = std::log(rhythms.fetalPeriod / *m_track.Period());
    if (step >= kFallingStep && step <= kFollowedChange) {
        m_fallenSeconds = 0;
    }
}

// Whether the baby's slow rhythm, told his, is followed at the rate his mother was heard beating at
// apart from him.
bool RhythmEstimator::FollowedAtHerRate(const Rhythms& rhythms,
                                        const SecondEstimate& estimate) const {
    return rhythms.fetalHeard && !estimate.fetalMayBeMaternal &&
           Bpm(rhythms.fetalPeriod) < kSlowFetalBpm && m_herApart.IsAt(rhythms.fetalPeriod) &&
           Followed(rhythms.fetalPeriod);
}

// Whether the baby's rhythm, followed at her rate, came onto it across a gap by a step larger than
// he moves in a second, and is still there. A baby lost for a second or two as he comes back up
// leaves the window with her rhythm alone: nothing tells his rhythm there from hers until he
// leaves it.
bool RhythmEstimator::BridgedOntoHer(double fetalPeriod, bool atHerRate) {
    const bool bridgedNow = atHerRate && m_track.Period() &&
                            LogDistance(fetalPeriod, *m_track.Period()) > kFollowedChange;
    m_bridgedOntoHer = atHerRate && (bridgedNow || m_bridgedOntoHer);
    return m_bridgedOntoHer;
}

// Whether the baby's rhythm, followed at her rate, has sounded there far deeper than high for some
// seconds running, and is still there. He may have come back up unheard under her loud pulse,
// leaving her rhythm where he was followed.
bool RhythmEstimator::SettledOnHer(double fetalPeriod, bool atHerRate) {
    if (!atHerRate) {
        m_deepOnHerSeconds = 0;
    } else if (m_deepOnHerSeconds < kSettledOnHerSeconds) {
        m_deepOnHerSeconds = m_bands.SoundsFarDeeper(fetalPeriod) ? m_deepOnHerSeconds + 1 : 0;
    }
    return m_deepOnHerSeconds >= kSettledOnHerSeconds;
}

// The second's rates, and what is remembered of them for the next seconds.
void RhythmEstimator::Remember(const Rhythms& rhythms, bool byValves, SecondEstimate& estimate) {
    if (rhythms.fetalHeard) {
        estimate.fetalBpm = Bpm(rhythms.fetalPeriod);
        if (rhythms.fetalFaint && !estimate.fetalMayBeMaternal) {
            // Too faint to tell where he is going: he is kept where he was last heard clearly.
            m_track.HeardAgain();
            m_lastFetal.HeardAgain();
        } else if (!estimate.fetalMayBeMaternal && !byValves) {
            const bool followed = Followed(rhythms.fetalPeriod);
            m_steadySeconds = followed ? m_steadySeconds + 1 : 1;
            m_trackFalling =
                followed && std::log(rhythms.fetalPeriod / *m_track.Period()) > kFallingStep;
            m_track.Heard(rhythms.fetalPeriod);
            m_lastFetal.Heard(rhythms.fetalPeriod);
        }
    }
    if (rhythms.maternalHeard) {
        estimate.maternalBpm = Bpm(rhythms.maternalPeriod);
        estimate.maternalMayBeFetal = estimate.fetalLostFalling && !rhythms.fetalHeard;
        if (rhythms.fetalHeard && !estimate.fetalMayBeMaternal &&
            LogDistance(rhythms.fetalPeriod, rhythms.maternalPeriod) > kJumped) {
            m_herApart.Heard(rhythms.maternalPeriod);
        }
    }
}

}  // namespace marulo::ratecheck
