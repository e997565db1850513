// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace marulo::synth {

// What the generated recording sounds like: its length, a heart rate moving linearly from the
// start rate to the end rate, and the seed that makes it repeatable.
struct SynthOptions {
    double seconds = 60.0;
    double bpmStart = 140.0;
    double bpmEnd = 150.0;
    std::uint32_t seed = 1;
};

// A stretch of the recording, in seconds from its start.
struct Stretch {
    double start = 0.0;
    double seconds = 0.0;

    bool Covers(double t) const { return t >= start && t < start + seconds; }
};

enum class LiftedSound { Silence, Hiss, Rubbing };

struct Lift {
    Stretch when;
    LiftedSound sound = LiftedSound::Silence;
};

// A passing change of the baby's rate on top of the linear one: from `start` the rate moves by
// `depthBpm` (negative for a deceleration) over `fall` seconds, holds for `hold` seconds and comes
// back over `recovery` seconds.
struct RateChange {
    double start = 0.0;
    double depthBpm = 0.0;
    double fall = 0.0;
    double hold = 0.0;
    double recovery = 0.0;
};

// What a parent hears besides the baby; the defaults add nothing, so a recording made without
// them stays byte for byte what it was.
struct ListeningOptions {
    double maternalBpm = 0.0;    // the mother's pulse; 0 for none
    double maternalGain = 0.0;   // its loudness against the baby's first sound
    std::vector<Stretch> slips;  // the probe on the mother's vessel: her pulse loud, the baby gone
    std::vector<Lift> lifts;     // the probe off the belly
    std::vector<Stretch> talks;  // someone speaking near the probe
    double talkGain = 1.0;  // the voice's loudness; at kHeardUnderTalk or less the baby stays heard
    std::vector<Stretch> turnedUp;  // the device so loud that the input clips
    std::vector<RateChange> rateChanges;
    double secondSoundDelay = 0.42;  // of the beat period, as the closing valves follow
    double secondSoundGain = 0.45;   // against the first sound
    std::optional<double> snrDb;  // the baby's sounds against the hiss; none keeps the quiet hiss
};

// A voice at most this loud (of the usual) leaves the baby's sounds heard beneath it.
inline constexpr double kHeardUnderTalk = 0.5;

// What the listener hears in one second of a recording, for scoring an analysis.
struct SecondTruth {
    std::optional<double> fetalBpm;     // none when the baby cannot be heard
    std::optional<double> maternalBpm;  // none when her pulse is absent
    // clean, slip, silence, hiss, rubbing, talk (the baby drowned), talk-heard or clipped
    std::string condition;
};

// Gives the reason when the options cannot make a recording, empty when they can.
std::string CheckOptions(const SynthOptions& options);
std::string CheckListening(const SynthOptions& options, const ListeningOptions& listening);

// The heart rate the recording beats at, t seconds from its start.
double RateAt(const SynthOptions& options, double seconds);

// The baby's rate t seconds from the start, the passing changes included.
double FetalRateAt(const SynthOptions& options, const ListeningOptions& listening, double seconds);

// Capture-format bytes (2 channels, 8000 Hz, unsigned 8-bit, both channels alike) of a listener
// heard through a Doppler probe: every beat a burst of 200..600 Hz noise of about 50 ms and a
// softer, shorter second burst, over a quiet background hiss. The same options give the same bytes.
std::vector<std::uint8_t> SynthesizeCaptureBytes(const SynthOptions& options,
                                                 const ListeningOptions& listening = {});

// The truth of every whole second of the same recording.
std::vector<SecondTruth> TruthPerSecond(const SynthOptions& options,
                                        const ListeningOptions& listening);

// The truth as CSV: second,fetal,maternal,condition with rates rounded to whole beats.
std::string TruthCsv(std::span<const SecondTruth> truth);

// Writes the bytes as a PCM WAV file in the capture format; on failure gives false and why.
bool WriteCaptureWav(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                     std::string& error);

}  // namespace marulo::synth
