// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
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

// Gives the reason when the options cannot make a recording, empty when they can.
std::string CheckOptions(const SynthOptions& options);

// The heart rate the recording beats at, t seconds from its start.
double RateAt(const SynthOptions& options, double seconds);

// Capture-format bytes (2 channels, 8000 Hz, unsigned 8-bit, both channels alike) of a listener
// heard through a Doppler probe: every beat a burst of 200..600 Hz noise of about 50 ms and a
// softer, shorter second burst, over a quiet background hiss. The same options give the same bytes.
std::vector<std::uint8_t> SynthesizeCaptureBytes(const SynthOptions& options);

// Writes the bytes as a PCM WAV file in the capture format; on failure gives false and why.
bool WriteCaptureWav(const std::filesystem::path& file, std::span<const std::uint8_t> bytes,
                     std::string& error);

}  // namespace marulo::synth
