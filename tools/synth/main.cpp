// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-synth: writes a synthetic heartbeat-listener recording at a known heart rate.
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WholeNumber.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

constexpr int kBadUsage = 2;

constexpr std::string_view kHelp =
    R"(usage: marulo-synth OUT.wav [--seconds N] [--bpm-start A --bpm-end B] [--seed S]
                    [what else the listener hears] [--truth TRUTH.csv]

Writes a synthetic fetal-Doppler recording in the capture format (PCM, 2 channels, 8000 Hz,
unsigned 8-bit): every beat a short burst of 200..600 Hz noise with a softer second burst, over a
quiet hiss. The heart rate moves linearly from A to B over the recording.

  --seconds N    length in seconds, more than 0 and at most 3600 (default 60)
  --bpm-start A  heart rate at the start, 50..240 (default 140)
  --bpm-end B    heart rate at the end, 50..240 (default 150)
  --seed S       a whole number; the same seed and options give the same file (default 1)

What else the listener hears (numbers may have decimals; stretches may be given many times):
  --maternal-bpm M     the mother's pulse, 50..240 (default none)
  --maternal-gain G    its loudness against the baby's first sound, 0..10 (default 0)
  --slip T:L           from T for L seconds the probe lies on her vessel: her pulse loud, the
                       baby gone (needs --maternal-bpm)
  --lift T:L:SOUND     from T for L seconds the probe is off the belly; SOUND is silence, hiss
                       or rubbing
  --talk T:L           from T for L seconds someone speaks near the probe
  --talk-gain G        the voice's loudness against the usual, 0..4 (default 1); at 0.5 or less
                       the baby stays heard beneath it
  --turn-up T:L        from T for L seconds the device is so loud that the input clips
  --rate-change T:D:F:H:R
                       from T the baby's rate moves by D bpm (negative: a deceleration) over F
                       seconds, holds H seconds and comes back over R seconds
  --s2-delay F         the second sound comes F of a beat after the first, 0.2..0.7 (default 0.42)
  --s2-gain G          the second sound's strength against the first, 0..2 (default 0.45)
  --snr DB             the baby's sounds against the hiss in dB, -30..60 (default: a quiet hiss)
  --truth FILE.csv     also write, per second, what can be heard: second,fetal,maternal,condition
                       (fetal empty where the baby cannot be heard, talking included;
                       condition is clean, slip, silence, hiss, rubbing, talk,
                       talk-heard or clipped)

Without these the file is exactly what earlier versions wrote for the same options.

Exit status: 0 on success, 1 when the file cannot be written, 2 on bad usage.
)";

// Whether the whole text is one number of the value's type; only then is the value set.
template <typename Number>
bool ParseWhole(std::string_view text, Number& value) {
    const std::optional<Number> parsed = marulo::platform::ParseWholeNumber<Number>(text);
    if (parsed) {
        value = *parsed;
    }
    return parsed.has_value();
}

// T:L, and for a lift T:L:SOUND.
bool ParseStretch(std::string_view text, marulo::synth::Stretch& stretch) {
    const std::size_t colon = text.find(':');
    return colon != std::string_view::npos && ParseWhole(text.substr(0, colon), stretch.start) &&
           ParseWhole(text.substr(colon + 1), stretch.seconds) && stretch.start >= 0.0 &&
           stretch.seconds > 0.0;
}

bool ParseLift(std::string_view text, marulo::synth::Lift& lift) {
    using marulo::synth::LiftedSound;
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || !ParseStretch(text.substr(0, colon), lift.when)) {
        return false;
    }
    const std::string_view sound = text.substr(colon + 1);
    const std::pair<std::string_view, LiftedSound> sounds[] = {{"silence", LiftedSound::Silence},
                                                               {"hiss", LiftedSound::Hiss},
                                                               {"rubbing", LiftedSound::Rubbing}};
    for (const auto& [name, value] : sounds) {
        if (sound == name) {
            lift.sound = value;
            return true;
        }
    }
    return false;
}

// T:D:F:H:R, all five given.
bool ParseRateChange(std::string_view text, marulo::synth::RateChange& change) {
    double* const fields[] = {&change.start, &change.depthBpm, &change.fall, &change.hold,
                              &change.recovery};
    for (std::size_t n = 0; n < std::size(fields); ++n) {
        const std::size_t colon = text.find(':');
        const bool last = n + 1 == std::size(fields);
        if ((colon == std::string_view::npos) != last ||
            !ParseWhole(text.substr(0, colon), *fields[n])) {
            return false;
        }
        text = last ? std::string_view() : text.substr(colon + 1);
    }
    return true;
}

int BadUsage(std::string_view why) {
    std::cerr << "marulo-synth: " << why << "\n(marulo-synth --help explains the options)\n";
    return kBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kHelp;
        return 0;
    }
    marulo::synth::SynthOptions options;
    marulo::synth::ListeningOptions listening;
    std::string_view output;
    std::string_view truthFile;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!arg.starts_with("--")) {
            if (!output.empty()) {
                return BadUsage("only one output file can be given");
            }
            output = arg;
            continue;
        }
        if (i + 1 >= args.size()) {
            return BadUsage(std::string(arg) + " needs a value");
        }
        const std::string_view value = args[++i];
        bool parsed = false;
        if (arg == "--seconds") {
            parsed = ParseWhole(value, options.seconds);
        } else if (arg == "--bpm-start") {
            parsed = ParseWhole(value, options.bpmStart);
        } else if (arg == "--bpm-end") {
            parsed = ParseWhole(value, options.bpmEnd);
        } else if (arg == "--seed") {
            parsed = ParseWhole(value, options.seed);
        } else if (arg == "--maternal-bpm") {
            parsed = ParseWhole(value, listening.maternalBpm);
        } else if (arg == "--maternal-gain") {
            parsed = ParseWhole(value, listening.maternalGain);
        } else if (arg == "--slip" || arg == "--talk" || arg == "--turn-up") {
            marulo::synth::Stretch stretch;
            parsed = ParseStretch(value, stretch);
            (arg == "--slip"   ? listening.slips
             : arg == "--talk" ? listening.talks
                               : listening.turnedUp)
                .push_back(stretch);
        } else if (arg == "--talk-gain") {
            parsed = ParseWhole(value, listening.talkGain);
        } else if (arg == "--rate-change") {
            marulo::synth::RateChange change;
            parsed = ParseRateChange(value, change);
            listening.rateChanges.push_back(change);
        } else if (arg == "--lift") {
            marulo::synth::Lift lift;
            parsed = ParseLift(value, lift);
            listening.lifts.push_back(lift);
        } else if (arg == "--s2-delay") {
            parsed = ParseWhole(value, listening.secondSoundDelay);
        } else if (arg == "--s2-gain") {
            parsed = ParseWhole(value, listening.secondSoundGain);
        } else if (arg == "--snr") {
            double snr = 0.0;
            parsed = ParseWhole(value, snr);
            listening.snrDb = snr;
        } else if (arg == "--truth") {
            truthFile = value;
            parsed = !value.empty();
        } else {
            return BadUsage("unknown option " + std::string(arg));
        }
        if (!parsed) {
            return BadUsage("not a valid value for " + std::string(arg) + ": " +
                            std::string(value));
        }
    }
    if (output.empty()) {
        return BadUsage("no output file given");
    }
    if (const std::string why = marulo::synth::CheckListening(options, listening); !why.empty()) {
        return BadUsage(why);
    }

    std::string error;
    if (!marulo::synth::WriteCaptureWav(std::string(output),
                                        marulo::synth::SynthesizeCaptureBytes(options, listening),
                                        error)) {
        std::cerr << "marulo-synth: " << error << '\n';
        return 1;
    }
    if (!truthFile.empty()) {
        std::ofstream truth{std::string(truthFile), std::ios::binary};
        truth << marulo::synth::TruthCsv(marulo::synth::TruthPerSecond(options, listening));
        if (!truth.flush()) {
            std::cerr << "marulo-synth: " << truthFile << ": cannot write the file\n";
            return 1;
        }
    }
    return 0;
}
