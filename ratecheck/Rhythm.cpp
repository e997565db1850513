// SPDX-License-Identifier: GPL-3.0-or-later
#include "ratecheck/Rhythm.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace marulo::ratecheck {

namespace {

constexpr double kFramesPerMinute = 60.0 * kEnvelopeRate;
constexpr std::size_t kShortestWindow = 2 * kEnvelopeRate;
// Periods in envelope frames: the baby 230..100 bpm, the mother 105..55 bpm.
constexpr std::size_t kFetalShortest = 26;
constexpr std::size_t kFetalLongest = 60;
// A baby followed as his rate falls, down to 70 bpm.
constexpr std::size_t kSlowLongest = 86;
constexpr std::size_t kMaternalShortest = 57;
constexpr std::size_t kMaternalLongest = 109;
constexpr std::size_t kFirstLag = kFetalShortest / 3 - 1;
constexpr std::size_t kLastLag = 2 * kMaternalLongest + 1;
// Beyond this only the doubles of the mother's peaks are needed, computed one by one.
constexpr std::size_t kLastDenseLag = 2 * kFetalLongest + 1;

constexpr float kDoubleReward = 0.5F;
constexpr float kHalfPenalty = 0.5F;
constexpr double kSlowFetalBpm = 110.0;  // below this the mother's pulse may beat alike
constexpr double kUsualSlowestBpm = 100.0;
// A rhythm this fast or faster with no sign of the mother may be a slow baby's.
constexpr double kUnsignedSlowestBpm = 95.0;
constexpr double kFastFetalBpm = 200.0;
constexpr double kOutsidePenaltyPerBpm = 0.02;
// Above 200 more so: twice a slow baby's rate, with his second sound near mid-beat, repeats as well
// as his own.
constexpr double kFastPenaltyPerBpm = 0.04;
constexpr double kJumpCost = 1.0;  // per unit of log period
// How far the baby's period may move in a second (log period) and still be the rhythm followed.
constexpr double kFollowedChange = 0.08;
constexpr int kFollowedGapSeconds = 2;
// How far from the baby's last period a new slow rhythm is the mother's: a baby slows gradually, a
// probe slipping onto her vessel jumps.
constexpr double kJumped = 0.15;
constexpr float kTimbreMargin = 0.15F;
// A baby recovering from a fall to her rate is heard apart from her again before he beats 1.6 times
// as fast; the gap after a slow baby's second sound mostly beats faster still.
constexpr double kRisenFromHer = 0.45;
// Two unlike sounds half a beat apart correlate at the half beat much less than at the whole.
constexpr float kHalfOfBeat = 0.6F;
// How much better a beat of two sounds repeats at the whole and the double beat than at the half
// and one and a half beats, the second sound falling off mid-beat and unlike the first.
constexpr float kTwoSoundAlternation = 0.05F;
// The second sound follows the first 0.28 to 0.6 of the beat on: the longer of the two gaps is at
// most this much of the beat.
constexpr double kLongerGap = 0.72;
// A beat this faint in a band still tells whether half a beat on sounds there too.
constexpr float kFaintBeat = 0.2F;
// Where a second sound is told from the first: 0.28 to 0.45 of the beat after or before it.
constexpr double kSecondSoundEarliest = 0.28;
constexpr double kSecondSoundLatest = 0.45;
constexpr float kSecondSound = 0.2F;
// Seconds in a row the baby's rhythm must have been followed before a jump from it counts.
constexpr int kSteadySeconds = 4;
constexpr float kFetalConfidence = 0.30F;
// Over a voice the baby's rhythm must stand out more to be believed.
constexpr float kTalkedOverConfidence = 0.45F;
constexpr float kMaternalConfidence = 0.40F;
constexpr float kRhythmic = 0.30F;
constexpr std::size_t kRecentFrames = 2 * kEnvelopeRate;
constexpr float kRecentConfidence = 0.15F;
constexpr double kSamePeriod = 0.06;  // relative
constexpr float kQuantisedPeak = 2047.0F;
// A voice sounds in a share of the frames of the last two seconds: someone is talking, and any
// rhythm heard is theirs as likely as the baby's.
constexpr float kVoicedFrame = 0.7F;
constexpr std::size_t kTalkingFrames = kRecentFrames * 15 / 100;
// The voice sounds mostly in the middle band. Where its syllables lift that band above the level
// heard before it by more than this many times the heartbeat's own swing there, the voice drowns
// the heart, whatever rhythm is still followed.
constexpr std::size_t kVoiceBand = 1;
constexpr double kDrowningLift = 1.5;

double Bpm(double period) {
    return kFramesPerMinute / period;
}

// The correlation at a fractional lag, by linear interpolation.
float At(const std::vector<float>& r, double lag) {
    const auto below = static_cast<std::size_t>(lag);
    const double part = lag - static_cast<double>(below);
    if (below + 1 >= r.size()) {
        return r.back();
    }
    return static_cast<float>((1.0 - part) * r[below] + part * r[below + 1]);
}

// The peak's position between integer lags from a parabola through its neighbours.
double RefinedPeak(const std::vector<float>& r, std::size_t lag) {
    const double left = r[lag - 1];
    const double centre = r[lag];
    const double right = r[lag + 1];
    const double curvature = left - 2.0 * centre + right;
    if (curvature >= 0.0) {
        return static_cast<double>(lag);
    }
    return static_cast<double>(lag) + std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5);
}

// A period's half or third that repeats as well is the sign of a multiple of the true period
// (the third catches one and a half periods when the second sound falls near mid-beat).
float PeriodScore(const std::vector<float>& r, std::size_t period) {
    const auto whole = static_cast<double>(period);
    return r[period] + kDoubleReward * r[2 * period] -
           kHalfPenalty * std::max({0.0F, At(r, whole / 2.0), At(r, whole / 3.0)});
}

template <typename Value>
void KeepNewest(std::vector<Value>& values, std::size_t count) {
    if (values.size() > count) {
        values.erase(values.begin(),
                     values.begin() + static_cast<std::ptrdiff_t>(values.size() - count));
    }
}

bool SamePeriod(double a, double b) {
    return std::abs(a - b) <= kSamePeriod * std::max(a, b);
}

double LogDistance(double a, double b) {
    return std::abs(std::log(a / b));
}

}  // namespace

std::optional<SecondEstimate> RhythmEstimator::Add(const EnvelopeFrame& frame) {
    for (std::size_t b = 0; b < kBands; ++b) {
        m_history[b].push_back(frame.bands[b]);
    }
    m_voiced.push_back(frame.voicing > kVoicedFrame);
    m_voiceBandLevel.push_back(std::expm1(frame.bands[kVoiceBand]));
    if (++m_framesThisSecond < kEnvelopeRate) {
        return std::nullopt;
    }
    m_framesThisSecond = 0;
    const SecondEstimate estimate = Estimate();
    for (auto& history : m_history) {
        KeepNewest(history, kWindow - kEnvelopeRate);
    }
    KeepNewest(m_voiced, kWindow - kEnvelopeRate);
    KeepNewest(m_voiceBandLevel, kWindow - kEnvelopeRate);
    return estimate;
}

// Normalised autocorrelation of one band over lags up to kLastDenseLag (the rest 0 until asked
// for); false for a band without variation. Whole numbers keep it exact and let the products go
// through the vector unit.
bool RhythmEstimator::Correlate(std::size_t band, std::vector<float>& correlation) {
    const std::vector<float>& history = m_history[band];
    const std::size_t n = history.size();
    double mean = 0.0;
    for (const float value : history) {
        mean += value;
    }
    mean /= static_cast<double>(n);
    float peak = 0.0F;
    for (const float value : history) {
        peak = std::max(peak, std::abs(value - static_cast<float>(mean)));
    }
    if (peak < 1e-3F) {
        return false;
    }
    const float scale = kQuantisedPeak / peak;
    std::vector<std::int16_t>& quantised = m_quantised[band];
    quantised.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        quantised[i] = static_cast<std::int16_t>((history[i] - static_cast<float>(mean)) * scale);
    }
    const std::int16_t* q = quantised.data();
    correlation.assign(kLastLag + 1, 0.0F);
    // At most 400 squares of 2047: 32 bits hold every sum here.
    std::int32_t energy = 0;
    for (std::size_t i = 0; i < n; ++i) {
        energy += q[i] * q[i];
    }
    if (energy == 0) {
        return false;
    }
    m_power[band] = static_cast<double>(energy) / static_cast<double>(n);
    for (std::size_t lag = kFirstLag; lag <= kLastDenseLag; ++lag) {
        correlation[lag] = LagCorrelation(band, lag);
    }
    return true;
}

float RhythmEstimator::LagCorrelation(std::size_t band, std::size_t lag) const {
    const std::vector<std::int16_t>& q = m_quantised[band];
    if (lag + kEnvelopeRate / 2 >= q.size()) {
        return 0.0F;
    }
    std::int32_t sum = 0;
    for (std::size_t i = lag; i < q.size(); ++i) {
        sum += q[i] * q[i - lag];
    }
    return static_cast<float>(static_cast<double>(sum) / static_cast<double>(q.size() - lag) /
                              m_power[band]);
}

// The correlation at one lag over one half of the window only (the later half, or with earlier
// the one before it): a rhythm that has just stopped, or that a few chance syllables made up,
// does not hold in both.
float RhythmEstimator::HalfCorrelation(std::size_t band, double lag, bool earlier) const {
    const std::vector<std::int16_t>& q = m_quantised[band];
    const auto whole = static_cast<std::size_t>(std::lround(lag));
    const std::size_t last = earlier ? q.size() - kRecentFrames : q.size();
    const std::size_t first = std::max(whole, last - std::min(last, kRecentFrames));
    if (last <= first) {
        return 0.0F;
    }
    // Each stretch about its own mean: a steady level, as in silence, is no rhythm.
    std::int64_t now = 0;
    std::int64_t then = 0;
    for (std::size_t i = first; i < last; ++i) {
        now += q[i];
        then += q[i - whole];
    }
    const auto count = static_cast<double>(last - first);
    const double nowMean = static_cast<double>(now) / count;
    const double thenMean = static_cast<double>(then) / count;
    double sum = 0.0;
    double nowEnergy = 0.0;
    double thenEnergy = 0.0;
    for (std::size_t i = first; i < last; ++i) {
        const double a = q[i] - nowMean;
        const double b = q[i - whole] - thenMean;
        sum += a * b;
        nowEnergy += a * a;
        thenEnergy += b * b;
    }
    return nowEnergy * thenEnergy < 1.0
               ? 0.0F
               : static_cast<float>(sum / std::sqrt(nowEnergy * thenEnergy));
}

// The middle band's level and swing over the last two seconds with no voice: the heart and the
// room as heard before someone spoke.
RhythmEstimator::BandLevel RhythmEstimator::RecentVoiceBandLevel(bool voiced) const {
    double sum = 0.0;
    double squares = 0.0;
    BandLevel level;
    for (std::size_t i = m_voiced.size() - kRecentFrames; i < m_voiced.size(); ++i) {
        if (m_voiced[i] == voiced) {
            sum += m_voiceBandLevel[i];
            squares += m_voiceBandLevel[i] * m_voiceBandLevel[i];
            ++level.frames;
        }
    }
    if (level.frames != 0) {
        const auto count = static_cast<double>(level.frames);
        level.mean = sum / count;
        level.swing = std::sqrt(std::max(0.0, squares / count - level.mean * level.mean));
    }
    return level;
}

void RhythmEstimator::NoteQuietLevel() {
    const BandLevel quiet = RecentVoiceBandLevel(false);
    if (quiet.frames < kRecentFrames / 2) {
        return;
    }
    m_quietLevel = quiet.mean;
    m_quietSwing = quiet.swing;
}

// Whether the voiced frames of the last two seconds stand so far above the level heard before the
// voice that the heart cannot be heard under them.
bool RhythmEstimator::VoiceDrowns() const {
    if (!m_quietLevel || m_quietSwing <= 0.0) {
        return false;
    }
    const BandLevel voice = RecentVoiceBandLevel(true);
    return voice.frames != 0 && voice.mean - *m_quietLevel > kDrowningLift * m_quietSwing;
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

bool RhythmEstimator::Followed(double period) const {
    return m_track.Continues(period);
}

// Her vessel beats once a beat, deep: its rhythm is the strongest repeat of the lowest band, and
// half a beat on that band is quieter than on the beat (two sounds of a beat would repeat there).
bool RhythmEstimator::DeepSinglePulse(double period) const {
    if (!m_usable[0]) {
        return false;
    }
    const std::vector<float>& low = m_correlations[0];
    const auto strongest =
        std::max_element(low.begin() + kMaternalShortest, low.begin() + kMaternalLongest + 1);
    return SamePeriod(static_cast<double>(strongest - low.begin()), period) &&
           At(low, period) >= kMaternalConfidence && At(low, period / 2.0) < 0.0F;
}

// Her deep pulse with a faster rhythm of like beats above it: the highest band repeats at half her
// period nearly as well as at the whole, as two unlike sounds of one beat half a beat apart would
// not. Its repeat at her period is that rhythm's double, no sign that she sounds there.
bool RhythmEstimator::FasterRhythmAbove(double period) const {
    if (!m_usable[kBands - 1] || !DeepSinglePulse(period)) {
        return false;
    }
    const std::vector<float>& high = m_correlations[kBands - 1];
    const float half = At(high, period / 2.0);
    return half >= kRhythmic && half >= kHalfOfBeat * At(high, period);
}

// The mother's vessel sounds deep: her rhythm is in the lowest band and not in the highest.
bool RhythmEstimator::SoundsMaternal(double period) const {
    return m_usable[0] && At(m_correlations[0], period) >= kMaternalConfidence &&
           (!m_usable[kBands - 1] || At(m_correlations[kBands - 1], period) < kRhythmic);
}

// The baby's sounds are high: a rhythm clearly stronger in the highest band than in the lowest,
// where her vessel sounds.
bool RhythmEstimator::SoundsFetal(double period) const {
    const float high = m_usable[kBands - 1] ? At(m_correlations[kBands - 1], period) : 0.0F;
    const float low = m_usable[0] ? At(m_correlations[0], period) : 0.0F;
    return high >= kMaternalConfidence && high >= low + kTimbreMargin;
}

// A heart's valves close twice a beat, a vessel swells once: above the lowest band, a beat whose
// second sound falls clearly before or after mid-beat repeats at that sound's distance from the
// first and at the rest of the beat, and less at the half beat, where a rhythm of twice the rate
// would repeat best. Both must still be heard in the last two seconds: the window remembers a baby
// for a while after the probe has left him.
bool RhythmEstimator::TwoSoundsOfValves(double period) const {
    // The valves sound mostly in the middle band.
    constexpr std::size_t b = kVoiceBand;
    const std::vector<float>& r = m_correlations[b];
    if (!m_usable[b] || At(r, period) < kMaternalConfidence) {
        return false;
    }
    // A distance that repeats at its own double is a faster rhythm, not a second sound.
    const auto twice = [this](double lag) {
        return LagCorrelation(b, static_cast<std::size_t>(std::lround(2.0 * lag)));
    };
    const auto first = static_cast<std::size_t>(std::ceil(kSecondSoundEarliest * period));
    const auto last = static_cast<std::size_t>(kSecondSoundLatest * period);
    for (std::size_t lag = first; lag <= last; ++lag) {
        if (r[lag] < r[lag - 1] || r[lag] < r[lag + 1] || r[lag] < kSecondSound) {
            continue;
        }
        const double gap = RefinedPeak(r, lag);
        if (At(r, period - gap) >= kSecondSound && At(r, period / 2.0) < r[lag] &&
            twice(gap) < kRecentConfidence && twice(period - gap) < kRecentConfidence &&
            HalfCorrelation(b, period, false) >= kRecentConfidence &&
            HalfCorrelation(b, gap, false) >= kRecentConfidence) {
            return true;
        }
    }
    return false;
}

// Whether a rhythm faster than a baby's usual is the half of a slower beat of two unlike sounds,
// the second near mid-beat: in every band that has the whole beat it repeats far better than its
// half. A fast baby beside a mother at half his rate repeats at his period as well as at its double
// in the bands where she is quiet.
bool RhythmEstimator::HalfOfSlowerBeat(double period, double slower) const {
    if (Bpm(period) <= kFastFetalBpm || !SamePeriod(slower, 2.0 * period) ||
        SoundsMaternal(slower) || DeepSinglePulse(slower)) {
        return false;
    }
    bool heard = false;
    for (std::size_t b = 0; b < kBands; ++b) {
        const float whole = m_usable[b] ? At(m_correlations[b], slower) : 0.0F;
        if (whole < kRhythmic) {
            continue;
        }
        if (At(m_correlations[b], period) >= kHalfOfBeat * whole) {
            return false;
        }
        heard = heard || whole >= kMaternalConfidence;
    }
    return heard;
}

// The correlation at any lag up to kLastLag, beyond the dense ones computed on asking.
float RhythmEstimator::CorrelationAt(std::size_t band, double lag) const {
    const auto below = static_cast<std::size_t>(lag);
    if (below < kLastDenseLag) {
        return At(m_correlations[band], lag);
    }
    const double part = lag - static_cast<double>(below);
    return static_cast<float>((1.0 - part) * LagCorrelation(band, below) +
                              part * LagCorrelation(band, below + 1));
}

// Whether a band repeats within a beat, at a lag between a quarter and three quarters of it: a
// beat of its own with a second sound. One sound of a slower beat has nothing inside it.
bool RhythmEstimator::SoundInsideBeat(std::size_t band, double period) const {
    const std::vector<float>& r = m_correlations[band];
    const auto last = static_cast<std::size_t>(0.75 * period);
    for (auto lag = std::max(kFirstLag + 1, static_cast<std::size_t>(0.25 * period) + 1);
         lag <= last; ++lag) {
        if (r[lag] > 0.0F && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            return true;
        }
    }
    return false;
}

// Whether a rhythm at twice a slow baby's rate or faster is the half of a beat of two like sounds,
// the second near mid-beat: in every band that has the whole beat the half repeats too (both sounds
// sound there, where her deep single pulse is quiet or opposite half a beat on) with nothing inside
// it, but the whole beat and its double repeat better than the half and one and a half beats. A
// rhythm of its own repeats at its period at least as well as further on, each beat drifting a
// little.
bool RhythmEstimator::HalfOfTwoSoundBeat(double period) const {
    const double whole = 2.0 * period;
    if (Bpm(period) < 2.0 * kUnsignedSlowestBpm || SoundsMaternal(whole)) {
        return false;
    }
    bool heard = false;
    for (std::size_t b = 0; b < kBands; ++b) {
        const float beat = m_usable[b] ? At(m_correlations[b], whole) : 0.0F;
        if (beat < kFaintBeat) {
            continue;
        }
        const float half = At(m_correlations[b], period);
        if (half < kHalfOfBeat * beat || SoundInsideBeat(b, period) ||
            (beat >= kRhythmic &&
             beat + CorrelationAt(b, 2.0 * whole) - half - CorrelationAt(b, 3.0 * period) <
                 2.0F * kTwoSoundAlternation)) {
            return false;
        }
        heard = heard || beat >= kMaternalConfidence;
    }
    return heard;
}

// Whether a rhythm is the longer gap of a slower beat of two sounds: in every band that has the
// slower beat, the beat repeats better than the gap, the shorter gap that makes up the beat with it
// repeats like it, and the gap does not repeat at its double, as a beat of its own would.
bool RhythmEstimator::GapOfTwoSoundBeat(double period, double slower) const {
    // Near the half of the beat the gaps are alike: that is the half of a two-sound beat. A beat
    // slower than the baby is followed down to is none of his.
    if (period > kLongerGap * slower || slower >= 1.9 * period ||
        slower > static_cast<double>(kSlowLongest) || SoundsMaternal(slower)) {
        return false;
    }
    bool heard = false;
    for (std::size_t b = 0; b < kBands; ++b) {
        const float beat = m_usable[b] ? At(m_correlations[b], slower) : 0.0F;
        if (beat < kRhythmic) {
            continue;
        }
        const float gap = At(m_correlations[b], period);
        if (beat < gap + 2.0F * kTwoSoundAlternation ||
            At(m_correlations[b], slower - period) < kHalfOfBeat * gap ||
            CorrelationAt(b, 2.0 * period) >= kRhythmic) {
            return false;
        }
        heard = heard || beat >= kMaternalConfidence;
    }
    return heard;
}

// Beside her pulse, deep and strongest in the lowest band, a second slow rhythm at another period
// that sounds like the baby and repeats better than its half is his: two hearts beating apart.
std::optional<double> RhythmEstimator::SlowRhythmBesideHers(double herPeriod) const {
    constexpr std::size_t kHigh = kBands - 1;
    if (!m_lastFetal.Period() || !m_usable[0] || !m_usable[kHigh] ||
        At(m_correlations[0], herPeriod) < At(m_correlations[kHigh], herPeriod)) {
        return std::nullopt;
    }
    const std::vector<float>& r = m_correlations[kHigh];
    std::optional<double> his;
    float strongest = 0.0F;
    for (std::size_t period = kMaternalShortest; period <= kSlowLongest; ++period) {
        if (r[period] < r[period - 1] || r[period] < r[period + 1] || r[period] <= strongest) {
            continue;
        }
        const double refined = RefinedPeak(r, period);
        // He fell to it from where he was last heard; his own double is no new rhythm.
        if (refined < *m_lastFetal.Period() || SamePeriod(refined, 2.0 * *m_lastFetal.Period()) ||
            SamePeriod(refined, herPeriod) || !SoundsFetal(refined) ||
            At(r, refined / 2.0) >= kHalfOfBeat * r[period] ||
            HalfCorrelation(kHigh, refined, false) < kRecentConfidence) {
            continue;
        }
        his = refined;
        strongest = r[period];
    }
    return his;
}

// Her rhythm lately heard beating beside his.
bool RhythmEstimator::HersBesideHim(double period) const {
    return m_herBeside.Period() && SamePeriod(period, *m_herBeside.Period());
}

// Beside her pulse, followed as the baby's after he fell to her rate, a faster rhythm that repeats
// better than its half, clearly above hers and below 1.6 times it (he climbs back from her rate):
// he came back up and she held. The followed one must sound deep, as her vessel does.
std::optional<double> RhythmEstimator::FasterRhythmBesideHers(double herPeriod) const {
    if (!m_usable[0] || (m_usable[kBands - 1] && At(m_correlations[0], herPeriod) <
                                                     At(m_correlations[kBands - 1], herPeriod))) {
        return std::nullopt;
    }
    std::optional<double> his;
    double best = 0.0;
    for (std::size_t b = 0; b < kBands; ++b) {
        if (!m_usable[b]) {
            continue;
        }
        const std::vector<float>& r = m_correlations[b];
        for (std::size_t period = kFetalShortest; period <= kFetalLongest; ++period) {
            if (r[period] < r[period - 1] || r[period] < r[period + 1] ||
                r[period] < kFetalConfidence) {
                continue;
            }
            const double refined = RefinedPeak(r, period);
            if (LogDistance(refined, herPeriod) <= kJumped ||
                LogDistance(refined, herPeriod) > kRisenFromHer ||
                At(r, refined / 2.0) >= kHalfOfBeat * r[period] ||
                HalfCorrelation(b, refined, false) < kRecentConfidence) {
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

// A slow rhythm is the mother's when it jumped from a baby followed steadily as he was lost, when
// it continues a rhythm found hers, or when it sounds like her vessel.
bool RhythmEstimator::SignsOfMother(double period) const {
    const bool jumped = m_track.Period() && m_steadySeconds >= kSteadySeconds &&
                        LogDistance(period, *m_track.Period()) > kJumped;
    return jumped || m_maternal.Continues(period) || SoundsMaternal(period);
}

SecondEstimate RhythmEstimator::Estimate() {
    SecondEstimate estimate;
    const bool filled = m_history[0].size() >= kShortestWindow;
    // Over a voice only the baby's rhythm followed until now is believed.
    estimate.talking =
        filled && std::count(m_voiced.end() - static_cast<std::ptrdiff_t>(kRecentFrames),
                             m_voiced.end(), true) >= static_cast<std::ptrdiff_t>(kTalkingFrames);
    if (estimate.talking && VoiceDrowns()) {
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
        NoteQuietLevel();
    } else if (!m_track.Period()) {
        return estimate;
    }
    std::vector<std::size_t> usable;
    for (std::size_t b = 0; b < kBands; ++b) {
        m_usable[b] = Correlate(b, m_correlations[b]);
        if (m_usable[b]) {
            usable.push_back(b);
        }
    }
    if (usable.empty()) {
        return estimate;
    }

    struct Pick {
        std::size_t band = 0;
        std::size_t period = 0;
        double score = -1e9;
    };
    Pick fetal;
    Pick maternal;
    for (const std::size_t b : usable) {
        std::vector<float>& r = m_correlations[b];
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
            if (bpm < kSlowFetalBpm && (SoundsMaternal(static_cast<double>(period)) ||
                                        HersBesideHim(static_cast<double>(period)))) {
                continue;
            }
            // Under a faster rhythm of its own, a deep slow rhythm not reached gradually is hers.
            if (bpm < kSlowFetalBpm && !followed &&
                FasterRhythmAbove(static_cast<double>(period))) {
                continue;
            }
            if (period > kFetalLongest) {
                r[2 * period] = LagCorrelation(b, 2 * period);
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
            m_correlations[b][2 * period] = LagCorrelation(b, 2 * period);
            const double score = PeriodScore(r, period);
            if (score > maternal.score) {
                maternal = {b, period, score};
            }
        }
    }
    // A range without a peak has no period to offer.
    double fetalPeriod =
        fetal.period == 0 ? 0.0 : RefinedPeak(m_correlations[fetal.band], fetal.period);
    double maternalPeriod =
        maternal.period == 0 ? 0.0 : RefinedPeak(m_correlations[maternal.band], maternal.period);
    bool fetalHeard = fetal.period != 0 &&
                      m_correlations[fetal.band][fetal.period] >=
                          (estimate.talking ? kTalkedOverConfidence : kFetalConfidence) &&
                      HalfCorrelation(fetal.band, fetalPeriod, false) >= kRecentConfidence;
    bool maternalHeard =
        maternal.period != 0 &&
        m_correlations[maternal.band][maternal.period] >= kMaternalConfidence &&
        HalfCorrelation(maternal.band, maternalPeriod, false) >= kRecentConfidence &&
        (m_quantised[maternal.band].size() < kWindow ||
         HalfCorrelation(maternal.band, maternalPeriod, true) >= kRecentConfidence);
    bool twoSounds = false;
    if (fetalHeard && maternal.period != 0 && HalfOfSlowerBeat(fetalPeriod, maternalPeriod)) {
        // Heard at twice his rate: the second sound falls near mid-beat. The rhythm followed so
        // far at the half beat is the same baby.
        if (Followed(fetalPeriod)) {
            m_track.MoveTo(maternalPeriod);
        }
        fetalPeriod = maternalPeriod;
        maternalHeard = false;
    } else if (fetalHeard) {
        // The half of a beat of two like sounds is taken at the whole beat, and so are three
        // halves of it: one and a half beats repeat too where the second sound falls near mid-beat.
        double beat = 0.0;
        if (HalfOfTwoSoundBeat(fetalPeriod)) {
            beat = 2.0 * fetalPeriod;
        } else if (2.0 * fetalPeriod / 3.0 >= static_cast<double>(kFetalShortest) &&
                   HalfOfTwoSoundBeat(fetalPeriod / 3.0)) {
            beat = 2.0 * fetalPeriod / 3.0;
        } else if (maternal.period != 0 && GapOfTwoSoundBeat(fetalPeriod, maternalPeriod)) {
            beat = maternalPeriod;
        }
        // A baby followed steadily is given up for another rate only when the sign holds two
        // seconds running: a rate does not jump by a ratio from one second to the next.
        const bool steady = Followed(fetalPeriod) && m_steadySeconds >= kSteadySeconds;
        if (beat > 0.0 && (!steady || m_twoSoundsBefore)) {
            if (Followed(fetalPeriod)) {
                m_track.MoveTo(beat);
            }
            fetalPeriod = beat;
        }
        twoSounds = beat > 0.0;
    }
    m_twoSoundsBefore = twoSounds;
    std::optional<double> rising;
    if (fetalHeard && m_herApart.Period() && SamePeriod(fetalPeriod, *m_herApart.Period()) &&
        Followed(fetalPeriod)) {
        // Her rate held where the baby was followed onto it; his own may have come back beside it.
        m_herApart.HeardAgain();
        rising = FasterRhythmBesideHers(fetalPeriod);
        if (rising && m_risingPeriod && LogDistance(*rising, *m_risingPeriod) <= kFollowedChange) {
            maternalPeriod = fetalPeriod;
            maternalHeard = true;
            fetalPeriod = *rising;
            m_track.MoveTo(fetalPeriod);
        }
    }
    m_risingPeriod = rising;
    const bool slow = fetalHeard && Bpm(fetalPeriod) < kSlowFetalBpm;
    // A slow rhythm the baby's rate fell to gradually, or with the sound of his valves, is his. One
    // told by his two valve sounds alone is his while they are heard, but not followed on: the
    // window remembers him after the probe has left him, onto her vessel, into hiss or a voice.
    const bool valves = slow && TwoSoundsOfValves(fetalPeriod);
    const bool fetalSign =
        fetalHeard && (Followed(fetalPeriod) || SoundsFetal(fetalPeriod) || valves);
    bool byValves = fetalHeard && valves && !Followed(fetalPeriod) && !SoundsFetal(fetalPeriod);
    const bool maternalSign = slow && !fetalSign && SignsOfMother(fetalPeriod);
    if (maternalSign) {
        m_maternal.Heard(fetalPeriod);
        fetalHeard = false;
        if (!maternalHeard) {
            maternalHeard = true;
            maternalPeriod = fetalPeriod;
        }
    }
    // A slow rhythm with no sign of whose it is may be the baby's or the mother's, whether or not
    // her range shows the same peak.
    estimate.fetalMayBeMaternal = fetalHeard && slow && !fetalSign;
    if (fetalHeard && maternalHeard && SamePeriod(fetalPeriod, maternalPeriod)) {
        maternalHeard = false;
    }
    if (!fetalHeard && maternalHeard && !maternalSign &&
        (SoundsFetal(maternalPeriod) || TwoSoundsOfValves(maternalPeriod)) &&
        Bpm(maternalPeriod) >= Bpm(static_cast<double>(kSlowLongest)) &&
        (fetal.period == 0 || !SamePeriod(maternalPeriod, 2.0 * fetalPeriod))) {
        // A slow rhythm with the baby's sound and not hers, not the double of a faster one: his.
        byValves = !SoundsFetal(maternalPeriod);
        fetalHeard = true;
        fetalPeriod = maternalPeriod;
        maternalHeard = false;
    }
    if (!fetalHeard && maternalHeard && !estimate.talking) {
        if (const auto his = SlowRhythmBesideHers(maternalPeriod)) {
            fetalHeard = true;
            fetalPeriod = *his;
            m_herBeside.Heard(maternalPeriod);
        }
    } else if (fetalHeard && maternalHeard && HersBesideHim(maternalPeriod) &&
               !SamePeriod(fetalPeriod, maternalPeriod)) {
        // Still both, apart: she goes on beside him.
        m_herBeside.Heard(maternalPeriod);
    }
    if (fetalHeard && maternalHeard &&
        (SamePeriod(maternalPeriod, 2.0 * fetalPeriod) ||
         SamePeriod(maternalPeriod, 3.0 * fetalPeriod))) {
        // The baby's own rhythm repeats there; it is no evidence of the mother.
        maternalHeard = false;
    }
    if (!fetalHeard && maternalHeard && !maternalSign) {
        if (SignsOfMother(maternalPeriod)) {
            m_maternal.Heard(maternalPeriod);
        } else if (Bpm(maternalPeriod) >= kUnsignedSlowestBpm ||
                   (m_lastFetal.Period() &&
                    LogDistance(maternalPeriod, *m_lastFetal.Period()) <= kJumped)) {
            // A slow rhythm with nothing of the mother's, where a slow baby beats or near where
            // the baby was lately heard: his or hers.
            fetalHeard = true;
            fetalPeriod = maternalPeriod;
            estimate.fetalMayBeMaternal = true;
            maternalHeard = false;
        }
    }
    if (fetalHeard) {
        estimate.fetalBpm = Bpm(fetalPeriod);
        if (!estimate.fetalMayBeMaternal && !byValves) {
            m_steadySeconds = Followed(fetalPeriod) ? m_steadySeconds + 1 : 1;
            m_track.Heard(fetalPeriod);
            m_lastFetal.Heard(fetalPeriod);
        }
    }
    if (maternalHeard) {
        estimate.maternalBpm = Bpm(maternalPeriod);
        if (fetalHeard && !estimate.fetalMayBeMaternal &&
            LogDistance(fetalPeriod, maternalPeriod) > kJumped) {
            m_herApart.Heard(maternalPeriod);
        }
    }
    return estimate;
}

}  // namespace marulo::ratecheck
