// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/WaveFormat.h"

namespace marulo::platform {

// The format and sample bytes of a PCM WAV file.
struct WavData {
    WaveFormat format;
    std::vector<std::uint8_t> samples;
};

// Reads a PCM WAV file (8 or 16 bits, any channel count and rate). On failure gives nothing and
// one line saying why in error.
std::optional<WavData> ReadWavFile(const std::filesystem::path& path, std::string& error);

// The same checks without reading the samples: only the chunk headers are read, so a long
// recording is checked as fast as a short one.
std::optional<WaveFormat> ReadWavFormat(const std::filesystem::path& path, std::string& error);

}  // namespace marulo::platform
