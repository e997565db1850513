// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-analyze: replays a WAV file through the heart-rate detector as a capture run would.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureConversion.h"
#include "platform/WavReader.h"

namespace {

constexpr int kBadInput = 2;

constexpr std::string_view kUsage = "usage: marulo-analyze [--frames] FILE.wav | --help";

constexpr std::string_view kHelp = R"(usage: marulo-analyze [--frames] FILE.wav

Replays the audio of FILE.wav through the heart-rate detector exactly as a capture run in a
freshly started program would: fresh detector state, block counter 0, consecutive 0.1 s blocks
of 1600 bytes (a trailing partial block is ignored).

Prints, one per line, the heart rate the run would report once a second (0 for none, otherwise
50..240 beats per minute).

  --frames  print every 10 ms frame's detector result instead (-1 no rate, 0 at start and after
            a long silence, otherwise 50..240)
  --help    print this text

Any PCM WAV of 8 or 16 bits, any channel count and rate, is first turned into the capture
format (2 channels, 8000 Hz, unsigned 8-bit); the detector hears the first channel:
  - a file already in that format is used byte for byte;
  - a 16-bit sample becomes its high byte plus 128;
  - mono is copied to both channels; of more channels the first two are kept;
  - another rate is resampled by linear interpolation (no low-pass filter), giving
    floor(frames x 8000 / rate) frames.

Exit status: 0 on success, 2 on bad usage or a file that is not a readable PCM WAV.
)";

int Fail(std::string_view message) {
    std::cerr << "marulo-analyze: " << message << '\n';
    return kBadInput;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--help") {
        std::cout << kHelp;
        return 0;
    }
    const bool frames = !args.empty() && args[0] == "--frames";
    if (args.size() != (frames ? 2u : 1u) || args.back().starts_with("--")) {
        std::cerr << kUsage << '\n';
        return kBadInput;
    }

    std::string error;
    const auto wav = marulo::platform::ReadWavFile(std::string(args.back()), error);
    if (!wav) {
        return Fail(error);
    }
    const auto capture = marulo::acquisition::ConvertToCaptureFormat(wav->format, wav->samples);
    if (!capture) {
        return Fail(std::string(args.back()) + ": cannot convert this format");
    }

    const std::vector<std::int32_t> values =
        frames ? marulo::acquisition::AnalyzeCaptureFrames(*capture)
               : marulo::acquisition::AnalyzeCaptureBytes(*capture);
    std::string text;
    text.reserve(values.size() * 5);
    for (const std::int32_t value : values) {
        text += std::to_string(value);
        text += '\n';
    }
    std::cout << text << std::flush;
    return std::cout ? 0 : 1;
}
