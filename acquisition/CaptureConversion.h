// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "recordformat/WaveFormat.h"

namespace marulo::acquisition {

// Turns PCM samples of any 8- or 16-bit format into capture-format bytes (2 channels, 8000 Hz,
// unsigned 8-bit), deterministically:
// - capture-format input is returned byte for byte;
// - a 16-bit sample becomes its high byte plus 128 (the low byte is dropped);
// - mono is copied to both channels; of more channels the first two are kept;
// - another rate is resampled per channel by linear interpolation between neighbouring sample
//   frames (rounded to nearest, no low-pass filter); the result has floor(frames x 8000 / rate)
//   frames, output frame j taken at input position j x rate / 8000.
// The samples may come piece by piece: the bytes are the same however the input is cut.
class CaptureConverter {
public:
    // Nothing for a format it cannot read (not PCM, other widths, no channels or rate, a block
    // align that does not match).
    static std::optional<CaptureConverter> For(const recordformat::WaveFormat& format);

    // Converts whole sample frames and gives the capture bytes they complete: the samples
    // themselves when they are in the capture format already, otherwise bytes held in scratch
    // (cleared first). A partial frame at the end is dropped.
    std::span<const std::uint8_t> Convert(std::span<const std::uint8_t> samples,
                                          std::vector<std::uint8_t>& scratch);

    // After the last samples: the frames that only the input's end completes, in scratch.
    std::span<const std::uint8_t> Finish(std::vector<std::uint8_t>& scratch);

private:
    explicit CaptureConverter(const recordformat::WaveFormat& format) : m_format(format) {}

    // Moves on after input frame `latest` (both capture channels) has arrived.
    void Resample(std::array<std::uint8_t, 2> latest, std::vector<std::uint8_t>& out);

    recordformat::WaveFormat m_format;
    std::uint64_t m_inputFrames = 0;
    std::uint64_t m_outputFrames = 0;
    std::array<std::uint8_t, 2> m_previous{};  // the input frame before the latest
    // The next output frame once both its neighbours are in, until the input is known to be long
    // enough for it: the output holds floor(frames x 8000 / rate) frames, which may end before
    // the last input frame.
    std::optional<std::array<std::uint8_t, 2>> m_nextOutput;
};

// The same for samples at hand all at once.
std::optional<std::vector<std::uint8_t>> ConvertToCaptureFormat(
    const recordformat::WaveFormat& format, std::span<const std::uint8_t> samples);

}  // namespace marulo::acquisition
