// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/synth/SyntheticRecording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "acquisition/CaptureFormat.h"
#include "acquisition/WavFileWriter.h"
#include "platform/StdioFile.h"

namespace marulo::synth {

namespace {

constexpr double kSampleRate = 8000.0;
constexpr double kMaxSeconds = 3600.0;
constexpr double kMinBpm = 50.0;
constexpr double kMaxBpm = 240.0;

constexpr double kFirstBeatSeconds = 0.1;
constexpr double kFirstBurstSeconds = 0.050;
constexpr double kSecondBurstSeconds = 0.040;
constexpr double kSecondBurstDelay = 0.42;  // of the beat period, as the closing valves follow
constexpr double kSecondBurstGain = 0.45;
constexpr double kBurstRms = 30.0;  // levels; peaks reach about three times this
constexpr double kHissRms = 2.5;
constexpr double kBeatJitter = 0.01;   // beat-to-beat change of the period
constexpr double kWobblePeriod = 7.0;  // seconds of the probe's slow loudness drift
constexpr double kWobbleDepth = 0.15;

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

// Noise of the 200..600 Hz band that the bursts are cut from, scaled to unit power.
std::vector<double> BandNoise(std::size_t samples, Noise& noise) {
    std::vector<double> band(samples);
    Biquad highPass = Biquad::HighPass(200.0);
    Biquad lowPass = Biquad::LowPass(600.0);
    double power = 0.0;
    for (double& value : band) {
        value = lowPass.Filter(highPass.Filter(noise.Normal()));
        power += value * value;
    }
    const double rms = samples > 0 ? std::sqrt(power / static_cast<double>(samples)) : 0.0;
    if (rms > 0.0) {
        for (double& value : band) {
            value /= rms;
        }
    }
    return band;
}

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

std::vector<std::uint8_t> SynthesizeCaptureBytes(const SynthOptions& options) {
    const auto frames = static_cast<std::size_t>(std::llround(options.seconds * kSampleRate));
    Noise noise(options.seed);
    const std::vector<double> band = BandNoise(frames, noise);

    std::vector<double> signal(frames);
    for (double& value : signal) {
        value = kHissRms * noise.Normal();
    }
    for (double beat = kFirstBeatSeconds; beat < options.seconds;) {
        const double period =
            60.0 / RateAt(options, beat) * (1.0 + kBeatJitter * (2.0 * noise.Uniform() - 1.0));
        const double loudness =
            kBurstRms * (1.0 - kWobbleDepth +
                         kWobbleDepth * std::sin(2.0 * std::numbers::pi * beat / kWobblePeriod));
        AddBurst(signal, band, beat, kFirstBurstSeconds, loudness);
        AddBurst(signal, band, beat + kSecondBurstDelay * period, kSecondBurstSeconds,
                 loudness * kSecondBurstGain);
        beat += period;
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

bool WriteCaptureWav(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                     std::string& error) {
    platform::StdioFile out = platform::OpenStdioFile(file, "wb");
    if (!out) {
        error = file.string() + ": cannot create the file";
        return false;
    }
    const auto header = acquisition::WavHeader(acquisition::CaptureFormat(),
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
