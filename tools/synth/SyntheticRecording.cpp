// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/synth/SyntheticRecording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "acquisition/CaptureFormat.h"
#include "platform/StdioFile.h"
#include "recordformat/WavFileWriter.h"

namespace marulo::synth {

namespace {

constexpr double kSampleRate = 8000.0;
constexpr double kMaxSeconds = 3600.0;
constexpr double kMinBpm = 50.0;
constexpr double kMaxBpm = 240.0;

constexpr double kFirstBeatSeconds = 0.1;
constexpr double kFirstBurstSeconds = 0.050;
constexpr double kSecondBurstSeconds = 0.040;
constexpr double kBurstRms = 30.0;  // levels; peaks reach about three times this
constexpr double kHissRms = 2.5;
constexpr double kBeatJitter = 0.01;   // beat-to-beat change of the period
constexpr double kWobblePeriod = 7.0;  // seconds of the probe's slow loudness drift
constexpr double kWobbleDepth = 0.15;

// What else a listener hears.
constexpr double kEdgeSeconds = 0.05;  // the probe moves on and off over this time
constexpr double kSlipFetalGain = 0.03;
constexpr double kSlipMaternalGain = 2.5;
constexpr double kMaternalJitter = 0.02;
constexpr double kMaternalRiseSeconds = 0.025;
constexpr double kMaternalDecaySeconds = 0.12;
constexpr double kMaternalPulseSeconds = 0.35;
constexpr double kLiftedHissRms = 12.0;
constexpr double kLiftedSilenceRms = 0.3;
constexpr double kRubbingRms = 25.0;
constexpr double kTalkRms = 20.0;
constexpr double kLoudestHissRms = 30.0;  // beyond this everything is turned down, not clipped
constexpr double kTurnedUpGain = 4.0;

// Uniform and normal numbers made from the generator's raw output alone, so a seed gives the
// same recording whatever standard library built the tool.
class Noise {
public:
    explicit Noise(std::uint32_t seed) : m_engine(seed) {}

    double Uniform() { return static_cast<double>(m_engine()) / 4294967296.0; }

    double Normal() {
        const double u1 = 1.0 - Uniform();
        const double u2 = Uniform();
        return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2);
    }

private:
    std::mt19937 m_engine;
};

// A second-order section of the usual audio-filter cookbook, direct form I.
class Biquad {
public:
    static Biquad HighPass(double cutoff) { return Make(cutoff, true); }
    static Biquad LowPass(double cutoff) { return Make(cutoff, false); }

    double Filter(double x) {
        const double y = m_b0 * x + m_b1 * m_x1 + m_b2 * m_x2 - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    static Biquad Make(double cutoff, bool highPass) {
        const double w0 = 2.0 * std::numbers::pi * cutoff / kSampleRate;
        const double alpha = std::sin(w0) / std::numbers::sqrt2;
        const double cosw0 = std::cos(w0);
        const double a0 = 1.0 + alpha;
        Biquad section;
        const double side = highPass ? (1.0 + cosw0) / 2.0 : (1.0 - cosw0) / 2.0;
        section.m_b0 = side / a0;
        section.m_b1 = (highPass ? -2.0 * side : 2.0 * side) / a0;
        section.m_b2 = side / a0;
        section.m_a1 = -2.0 * cosw0 / a0;
        section.m_a2 = (1.0 - alpha) / a0;
        return section;
    }

    double m_b0 = 0, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// Adds a raised-cosine window of band noise starting at a time.
void AddBurst(std::vector<double>& signal, const std::vector<double>& band, double startSeconds,
              double lengthSeconds, double gain) {
    const auto first = static_cast<std::size_t>(std::max(0.0, startSeconds * kSampleRate));
    const auto length = static_cast<std::size_t>(lengthSeconds * kSampleRate);
    for (std::size_t i = 0; i < length && first + i < signal.size(); ++i) {
        const double window = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                                   static_cast<double>(length));
        signal[first + i] += gain * window * band[first + i];
    }
}

}  // namespace

std::string CheckOptions(const SynthOptions& options) {
    if (!(options.seconds > 0.0 && options.seconds <= kMaxSeconds)) {
        return "the length must be more than 0 and at most 3600 seconds";
    }
    const auto inRange = [](double bpm) { return bpm >= kMinBpm && bpm <= kMaxBpm; };
    if (!inRange(options.bpmStart) || !inRange(options.bpmEnd)) {
        return "heart rates must lie from 50 to 240 beats per minute";
    }
    return {};
}

double RateAt(const SynthOptions& options, double seconds) {
    const double progress = std::clamp(seconds / options.seconds, 0.0, 1.0);
    return options.bpmStart + (options.bpmEnd - options.bpmStart) * progress;
}

double FetalRateAt(const SynthOptions& options, const ListeningOptions& listening, double seconds) {
    double bpm = RateAt(options, seconds);
    for (const RateChange& change : listening.rateChanges) {
        const double into = seconds - change.start;
        const double back = into - change.fall - change.hold;
        double share = 0.0;
        if (into <= 0.0 || back >= change.recovery) {
            share = 0.0;
        } else if (into < change.fall) {
            share = into / change.fall;
        } else if (back <= 0.0) {
            share = 1.0;
        } else {
            share = 1.0 - back / change.recovery;
        }
        bpm += share * change.depthBpm;
    }
    return bpm;
}

namespace {

// 1 outside the stretches, inside within them, with a short ramp at each edge.
double StretchGain(double t, std::span<const Stretch> stretches, double inside) {
    double gain = 1.0;
    for (const Stretch& s : stretches) {
        const double into = std::min(t - s.start, s.start + s.seconds - t);
        if (into > -kEdgeSeconds) {
            const double depth = std::clamp((into + kEdgeSeconds) / (2.0 * kEdgeSeconds), 0.0, 1.0);
            gain = std::min(gain, 1.0 + (inside - 1.0) * depth);
        }
    }
    return gain;
}

std::vector<Stretch> LiftStretches(std::span<const Lift> lifts) {
    std::vector<Stretch> stretches;
    for (const Lift& lift : lifts) {
        stretches.push_back(lift.when);
    }
    return stretches;
}

// The baby's sounds: every beat a burst and a softer, shorter second burst.
void AddFetalBeats(std::vector<double>& signal, const SynthOptions& options,
                   const ListeningOptions& listening, const std::vector<double>& band,
                   Noise& noise) {
    for (double beat = kFirstBeatSeconds; beat < options.seconds;) {
        const double period = 60.0 / FetalRateAt(options, listening, beat) *
                              (1.0 + kBeatJitter * (2.0 * noise.Uniform() - 1.0));
        const double loudness =
            kBurstRms * (1.0 - kWobbleDepth +
                         kWobbleDepth * std::sin(2.0 * std::numbers::pi * beat / kWobblePeriod));
        AddBurst(signal, band, beat, kFirstBurstSeconds, loudness);
        AddBurst(signal, band, beat + listening.secondSoundDelay * period, kSecondBurstSeconds,
                 loudness * listening.secondSoundGain);
        beat += period;
    }
}

// Band noise between two frequencies, scaled to unit power.
std::vector<double> NoiseBetween(std::size_t samples, double low, double high, Noise& noise) {
    std::vector<double> band(samples);
    Biquad highPass = Biquad::HighPass(low);
    Biquad lowPass = Biquad::LowPass(high);
    double power = 0.0;
    for (double& value : band) {
        value = lowPass.Filter(highPass.Filter(noise.Normal()));
        power += value * value;
    }
    const double rms = samples > 0 ? std::sqrt(power / static_cast<double>(samples)) : 0.0;
    for (double& value : band) {
        value = rms > 0.0 ? value / rms : 0.0;
    }
    return band;
}

// The mother's pulse as the probe hears her vessel: a deep whoosh that rises fast and fades.
std::vector<double> MaternalPulse(std::size_t samples, double bpm, Noise& noise) {
    std::vector<double> pulse(samples);
    if (bpm <= 0.0) {
        return pulse;
    }
    const std::vector<double> whoosh = NoiseBetween(samples, 60.0, 250.0, noise);
    const auto length = static_cast<std::size_t>(kMaternalPulseSeconds * kSampleRate);
    for (double beat = noise.Uniform() * 60.0 / bpm;
         beat * kSampleRate < static_cast<double>(samples);) {
        const auto first = static_cast<std::size_t>(beat * kSampleRate);
        for (std::size_t i = 0; i < length && first + i < samples; ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            const double envelope =
                t < kMaternalRiseSeconds
                    ? t / kMaternalRiseSeconds
                    : std::exp(-(t - kMaternalRiseSeconds) / kMaternalDecaySeconds);
            pulse[first + i] += kBurstRms * envelope * whoosh[first + i];
        }
        beat += 60.0 / bpm * (1.0 + kMaternalJitter * (2.0 * noise.Uniform() - 1.0));
    }
    return pulse;
}

// Scraping of the probe over skin or cloth: low noise in irregular strokes.
double RubbingEnvelope(double t, Noise& noise, double& strokeEnd, double& strokeGain) {
    if (t >= strokeEnd) {
        strokeEnd = t + 0.08 + 0.3 * noise.Uniform();
        strokeGain = noise.Uniform() < 0.3 ? 0.1 : 0.5 + noise.Uniform();
    }
    return strokeGain;
}

// A voice: a wandering pitch with its harmonics, in syllables and gaps.
void AddTalking(std::vector<double>& signal, Stretch talk, double gain, Noise& noise) {
    const auto first = static_cast<std::size_t>(std::max(0.0, talk.start) * kSampleRate);
    const auto last = std::min(signal.size(),
                               static_cast<std::size_t>((talk.start + talk.seconds) * kSampleRate));
    double phase = 0.0;
    double syllableEnd = 0.0;
    bool voiced = false;
    double pitch = 160.0;
    for (std::size_t i = first; i < last; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        if (t >= syllableEnd) {
            voiced = !voiced;
            syllableEnd =
                t + (voiced ? 0.12 + 0.13 * noise.Uniform() : 0.05 + 0.1 * noise.Uniform());
            pitch = 110.0 + 110.0 * noise.Uniform();
        }
        phase += 2.0 * std::numbers::pi * pitch / kSampleRate;
        if (!voiced) {
            continue;
        }
        double voice = 0.0;
        for (int harmonic = 1; harmonic <= 8; ++harmonic) {
            voice += std::sin(harmonic * phase) / harmonic;
        }
        signal[i] += gain * kTalkRms * voice;
    }
}

double Rms(std::span<const double> signal) {
    double power = 0.0;
    for (const double value : signal) {
        power += value * value;
    }
    return signal.empty() ? 0.0 : std::sqrt(power / static_cast<double>(signal.size()));
}

}  // namespace

std::string CheckListening(const SynthOptions& options, const ListeningOptions& listening) {
    if (std::string why = CheckOptions(options); !why.empty()) {
        return why;
    }
    if (listening.maternalBpm != 0.0 &&
        !(listening.maternalBpm >= kMinBpm && listening.maternalBpm <= kMaxBpm)) {
        return "the mother's pulse must lie from 50 to 240 beats per minute";
    }
    if (!(listening.maternalGain >= 0.0 && listening.maternalGain <= 10.0)) {
        return "the mother's pulse strength must lie from 0 to 10";
    }
    if (!listening.slips.empty() && listening.maternalBpm == 0.0) {
        return "a slip onto the mother's vessel needs her pulse rate";
    }
    if (!(listening.secondSoundDelay >= 0.2 && listening.secondSoundDelay <= 0.7)) {
        return "the second sound must come 0.2 to 0.7 of a beat after the first";
    }
    if (!(listening.secondSoundGain >= 0.0 && listening.secondSoundGain <= 2.0)) {
        return "the second sound's strength must lie from 0 to 2";
    }
    if (listening.snrDb && !(*listening.snrDb >= -30.0 && *listening.snrDb <= 60.0)) {
        return "the signal-to-noise ratio must lie from -30 to 60 dB";
    }
    if (!(listening.talkGain >= 0.0 && listening.talkGain <= 4.0)) {
        return "the voice's loudness must lie from 0 to 4";
    }
    for (const RateChange& change : listening.rateChanges) {
        if (!(change.fall >= 0.0 && change.hold >= 0.0 && change.recovery >= 0.0)) {
            return "a rate change's fall, hold and recovery cannot be negative";
        }
    }
    // The rate is piecewise linear: its extremes lie at the ends of the pieces.
    std::vector<double> corners = {0.0, options.seconds};
    for (const RateChange& change : listening.rateChanges) {
        for (const double t :
             {change.start, change.start + change.fall, change.start + change.fall + change.hold,
              change.start + change.fall + change.hold + change.recovery}) {
            corners.push_back(std::clamp(t, 0.0, options.seconds));
        }
    }
    for (const double t : corners) {
        const double bpm = FetalRateAt(options, listening, t);
        if (!(bpm >= kMinBpm && bpm <= kMaxBpm)) {
            return "with its changes the heart rate must stay from 50 to 240 beats per minute";
        }
    }
    return {};
}

std::vector<std::uint8_t> SynthesizeCaptureBytes(const SynthOptions& options,
                                                 const ListeningOptions& listening) {
    const auto frames = static_cast<std::size_t>(std::llround(options.seconds * kSampleRate));
    Noise noise(options.seed);
    // The band the bursts are cut from.
    const std::vector<double> band = NoiseBetween(frames, 200.0, 600.0, noise);

    std::vector<double> hiss(frames);
    for (double& value : hiss) {
        value = kHissRms * noise.Normal();
    }
    std::vector<double> fetal(frames);
    AddFetalBeats(fetal, options, listening, band, noise);

    // Everything beyond the baby and the quiet hiss comes from a second generator, so the draws
    // above, and with them a recording made without these sounds, stay what they were.
    Noise extra(options.seed * 2654435761U + 12345U);
    std::vector<double> maternal = MaternalPulse(frames, listening.maternalBpm, extra);
    double scale = 1.0;
    if (listening.snrDb) {
        const double hissRms = Rms(fetal) / std::pow(10.0, *listening.snrDb / 20.0);
        scale = hissRms > kLoudestHissRms ? kLoudestHissRms / hissRms : 1.0;
        for (double& value : hiss) {
            value *= hissRms / kHissRms;
        }
    }
    const std::vector<Stretch> lifted = LiftStretches(listening.lifts);
    std::vector<double> signal(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double probe = StretchGain(t, lifted, 0.0);
        const double slip = 1.0 - StretchGain(t, listening.slips, 0.0);
        const double baby = fetal[i] * (1.0 + (kSlipFetalGain - 1.0) * slip);
        const double mother = maternal[i] * (listening.maternalGain +
                                             (kSlipMaternalGain - listening.maternalGain) * slip);
        signal[i] = probe * (hiss[i] + baby + mother) * scale;
    }
    for (const Lift& lift : listening.lifts) {
        double strokeEnd = 0.0;
        double strokeGain = 0.0;
        Biquad rumble = Biquad::LowPass(300.0);
        for (std::size_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kSampleRate;
            const double depth = 1.0 - StretchGain(t, std::span(&lift.when, 1), 0.0);
            if (depth == 0.0) {
                continue;
            }
            switch (lift.sound) {
                case LiftedSound::Silence:
                    signal[i] += depth * kLiftedSilenceRms * extra.Normal();
                    break;
                case LiftedSound::Hiss:
                    signal[i] += depth * kLiftedHissRms * extra.Normal();
                    break;
                case LiftedSound::Rubbing:
                    signal[i] += depth * kRubbingRms * 3.0 *
                                 RubbingEnvelope(t, extra, strokeEnd, strokeGain) *
                                 rumble.Filter(extra.Normal());
                    break;
            }
        }
    }
    for (const Stretch& talk : listening.talks) {
        AddTalking(signal, talk, listening.talkGain, extra);
    }
    for (std::size_t i = 0; i < frames; ++i) {
        // StretchGain only turns down: how far into a stretch, from 0 to 1.
        const double up =
            1.0 - StretchGain(static_cast<double>(i) / kSampleRate, listening.turnedUp, 0.0);
        signal[i] *= 1.0 + (kTurnedUpGain - 1.0) * up;
    }

    std::vector<std::uint8_t> bytes(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        const long level = std::clamp(std::lround(signal[i]), -127L, 127L);
        const auto sample = static_cast<std::uint8_t>(128 - level);
        bytes[2 * i] = sample;
        bytes[2 * i + 1] = sample;
    }
    return bytes;
}

std::vector<SecondTruth> TruthPerSecond(const SynthOptions& options,
                                        const ListeningOptions& listening) {
    std::vector<SecondTruth> truth;
    for (int second = 0; second + 1 <= options.seconds; ++second) {
        const double middle = second + 0.5;
        SecondTruth row;
        row.condition = "clean";
        const auto lift = std::find_if(listening.lifts.begin(), listening.lifts.end(),
                                       [middle](const Lift& l) { return l.when.Covers(middle); });
        const auto covered = [middle](std::span<const Stretch> stretches) {
            return std::any_of(stretches.begin(), stretches.end(),
                               [middle](const Stretch& s) { return s.Covers(middle); });
        };
        if (lift != listening.lifts.end()) {
            constexpr const char* kLiftNames[] = {"silence", "hiss", "rubbing"};
            row.condition = kLiftNames[static_cast<int>(lift->sound)];
        } else if (covered(listening.slips)) {
            row.condition = "slip";
            row.maternalBpm = listening.maternalBpm;
        } else if (covered(listening.talks) && listening.talkGain > kHeardUnderTalk) {
            // The voice drowns the baby: no usable signal, though he still beats underneath.
            row.condition = "talk";
        } else {
            row.condition = covered(listening.talks)      ? "talk-heard"
                            : covered(listening.turnedUp) ? "clipped"
                                                          : "clean";
            row.fetalBpm = FetalRateAt(options, listening, middle);
            if (listening.maternalBpm > 0.0 && listening.maternalGain > 0.0) {
                row.maternalBpm = listening.maternalBpm;
            }
        }
        truth.push_back(row);
    }
    return truth;
}

std::string TruthCsv(std::span<const SecondTruth> truth) {
    std::string csv = "second,fetal,maternal,condition\n";
    const auto rate = [](const std::optional<double>& bpm) {
        return bpm ? std::to_string(std::lround(*bpm)) : std::string();
    };
    for (std::size_t second = 0; second < truth.size(); ++second) {
        csv += std::to_string(second) + ',' + rate(truth[second].fetalBpm) + ',' +
               rate(truth[second].maternalBpm) + ',' + truth[second].condition + '\n';
    }
    return csv;
}

bool WriteCaptureWav(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                     std::string& error) {
    platform::StdioFile out = platform::OpenStdioFile(file, "wb");
    if (!out) {
        error = file.string() + ": cannot create the file";
        return false;
    }
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(),
                                                static_cast<std::uint32_t>(bytes.size()));
    const bool written = std::fwrite(header.data(), 1, header.size(), out.get()) == header.size() &&
                         std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size() &&
                         std::fclose(out.release()) == 0;
    if (!written) {
        error = file.string() + ": cannot write the file (is the disk full?)";
        return false;
    }
    return true;
}

}  // namespace marulo::synth
