// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/LiveWaveform.h"

#include <algorithm>

#include "acquisition/CaptureFormat.h"

namespace marulo::views {

void UpdateWaveform(WaveformPoints& points, std::span<const std::uint8_t> block,
                    std::int32_t clientHeight) {
    const std::size_t frames = std::min(block.size() / 2, kWaveformPoints);
    if (frames == 0) {
        return;
    }
    const std::int32_t mid = clientHeight / 2;
    const std::int32_t half = clientHeight / 2;
    const auto amp = static_cast<std::int32_t>(half * 0.9);

    std::array<std::int32_t, kWaveformPoints> levels{};
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        levels[i] = acquisition::ConvertSample(block, i * 2);
        sum += levels[i];
    }
    const auto mean = static_cast<std::int32_t>(sum / static_cast<std::int64_t>(frames));

    for (std::size_t i = 0; i < frames; ++i) {
        const std::int64_t swing = static_cast<std::int64_t>(levels[i] - mean) * amp;
        points[i] = {static_cast<std::int32_t>(i),
                     static_cast<std::int32_t>(mid - static_cast<double>(swing) / 128.0)};
    }
}

}  // namespace marulo::views
