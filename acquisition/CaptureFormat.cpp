// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

const recordformat::WaveFormat& CaptureFormat() {
    static const recordformat::WaveFormat format{.formatTag = 1,
                                                 .channels = 2,
                                                 .samplesPerSecond = 8000,
                                                 .averageBytesPerSecond = 16000,
                                                 .blockAlign = 2,
                                                 .bitsPerSample = 8};
    return format;
}

std::int32_t ConvertSample(std::span<const std::uint8_t> data, std::size_t index) {
    return ConvertSampleOfWidth(data, index, CaptureFormat().bitsPerSample);
}

}  // namespace marulo::acquisition
