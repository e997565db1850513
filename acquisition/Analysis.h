// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace marulo::acquisition {

// Offline replay of captured audio (capture-format bytes) through a freshly started detector and
// block counter, in consecutive 1600-byte blocks; a trailing partial block is ignored.

// The values a capture run of these bytes would report once a second.
std::vector<std::int32_t> AnalyzeCaptureBytes(std::span<const std::uint8_t> captureBytes);

// The detector's result for every 10 ms frame of the same run.
std::vector<std::int32_t> AnalyzeCaptureFrames(std::span<const std::uint8_t> captureBytes);

}  // namespace marulo::acquisition
