// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureConversion.h"

#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

namespace {

constexpr std::uint64_t kCaptureRate = 8000;

std::uint8_t UnsignedByteAt(std::span<const std::uint8_t> frame, std::size_t channel,
                            std::uint16_t bitsPerSample) {
    if (bitsPerSample == 8) {
        return frame[channel];
    }
    // The high byte of a signed little-endian sample, shifted to unsigned.
    return static_cast<std::uint8_t>(frame[2 * channel + 1] ^ 0x80);
}

bool IsConvertible(const platform::WaveFormat& f) {
    return f.formatTag == 1 && (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.channels > 0 &&
           f.samplesPerSecond > 0 && f.blockAlign == f.channels * (f.bitsPerSample / 8);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ConvertToCaptureFormat(
    const platform::WaveFormat& format, std::span<const std::uint8_t> samples) {
    if (!IsConvertible(format)) {
        return std::nullopt;
    }
    const std::size_t frames = samples.size() / format.blockAlign;
    const platform::WaveFormat& capture = CaptureFormat();
    if (format.channels == capture.channels && format.bitsPerSample == capture.bitsPerSample &&
        format.samplesPerSecond == capture.samplesPerSecond) {
        return std::vector<std::uint8_t>(samples.begin(),
                                         samples.begin() + frames * format.blockAlign);
    }

    // Both capture channels of every input frame.
    std::vector<std::uint8_t> stereo(frames * 2);
    const std::size_t secondChannel = format.channels > 1 ? 1 : 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto frame = samples.subspan(i * format.blockAlign, format.blockAlign);
        stereo[2 * i] = UnsignedByteAt(frame, 0, format.bitsPerSample);
        stereo[2 * i + 1] = UnsignedByteAt(frame, secondChannel, format.bitsPerSample);
    }
    if (format.samplesPerSecond == kCaptureRate || frames == 0) {
        return stereo;
    }

    const std::uint64_t rate = format.samplesPerSecond;
    const std::size_t outFrames = frames * kCaptureRate / rate;
    std::vector<std::uint8_t> out(outFrames * 2);
    for (std::size_t j = 0; j < outFrames; ++j) {
        const std::uint64_t position = j * rate;
        const std::size_t before = position / kCaptureRate;
        const std::size_t after = before + 1 < frames ? before + 1 : before;
        const std::uint64_t weight = position % kCaptureRate;
        for (std::size_t c = 0; c < 2; ++c) {
            const std::uint64_t a = stereo[2 * before + c];
            const std::uint64_t b = stereo[2 * after + c];
            out[2 * j + c] = static_cast<std::uint8_t>(
                (a * (kCaptureRate - weight) + b * weight + kCaptureRate / 2) / kCaptureRate);
        }
    }
    return out;
}

}  // namespace marulo::acquisition
