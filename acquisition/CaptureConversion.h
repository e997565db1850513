// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/WaveFormat.h"

namespace marulo::acquisition {

// Turns PCM samples of any 8- or 16-bit format into capture-format bytes (2 channels, 8000 Hz,
// unsigned 8-bit), deterministically:
// - capture-format input is returned byte for byte;
// - a 16-bit sample becomes its high byte plus 128 (the low byte is dropped);
// - mono is copied to both channels; of more channels the first two are kept;
// - another rate is resampled per channel by linear interpolation between neighbouring sample
//   frames (rounded to nearest, no low-pass filter); the result has floor(frames x 8000 / rate)
//   frames, output frame j taken at input position j x rate / 8000.
// Gives nothing for a format it cannot read (not PCM, other widths, no channels or rate, a block
// align that does not match). A partial sample frame at the end is dropped.
std::optional<std::vector<std::uint8_t>> ConvertToCaptureFormat(
    const platform::WaveFormat& format, std::span<const std::uint8_t> samples);

}  // namespace marulo::acquisition
