// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-synth: writes a synthetic heartbeat-listener recording at a known heart rate.
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

Writes a synthetic fetal-Doppler recording in the capture format (PCM, 2 channels, 8000 Hz,
unsigned 8-bit): every beat a short burst of 200..600 Hz noise with a softer second burst, over a
quiet hiss. The heart rate moves linearly from A to B over the recording.

  --seconds N    length in seconds, more than 0 and at most 3600 (default 60)
  --bpm-start A  heart rate at the start, 50..240 (default 140)
  --bpm-end B    heart rate at the end, 50..240 (default 150)
  --seed S       a whole number; the same seed and options give the same file (default 1)

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
    std::string_view output;
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
        } else {
            return BadUsage("unknown option " + std::string(arg));
        }
        if (!parsed) {
            return BadUsage("not a number for " + std::string(arg) + ": " + std::string(value));
        }
    }
    if (output.empty()) {
        return BadUsage("no output file given");
    }
    if (const std::string why = marulo::synth::CheckOptions(options); !why.empty()) {
        return BadUsage(why);
    }

    std::string error;
    if (!marulo::synth::WriteCaptureWav(std::string(output),
                                        marulo::synth::SynthesizeCaptureBytes(options), error)) {
        std::cerr << "marulo-synth: " << error << '\n';
        return 1;
    }
    return 0;
}
