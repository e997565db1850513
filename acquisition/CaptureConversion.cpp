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

bool IsConvertible(const recordformat::WaveFormat& f) {
    return f.formatTag == 1 && (f.bitsPerSample == 8 || f.bitsPerSample == 16) && f.channels > 0 &&
           f.samplesPerSecond > 0 && f.blockAlign == f.channels * (f.bitsPerSample / 8);
}

}  // namespace

std::optional<CaptureConverter> CaptureConverter::For(const recordformat::WaveFormat& format) {
    if (!IsConvertible(format)) {
        return std::nullopt;
    }
    return CaptureConverter(format);
}

std::span<const std::uint8_t> CaptureConverter::Convert(std::span<const std::uint8_t> samples,
                                                        std::vector<std::uint8_t>& out) {
    const std::size_t frames = samples.size() / m_format.blockAlign;
    const recordformat::WaveFormat& capture = CaptureFormat();
    if (m_format.channels == capture.channels && m_format.bitsPerSample == capture.bitsPerSample &&
        m_format.samplesPerSecond == capture.samplesPerSecond) {
        return samples.first(frames * m_format.blockAlign);
    }
    out.clear();
    const std::size_t secondChannel = m_format.channels > 1 ? 1 : 0;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto frame = samples.subspan(i * m_format.blockAlign, m_format.blockAlign);
        const std::array<std::uint8_t, 2> stereo{
            UnsignedByteAt(frame, 0, m_format.bitsPerSample),
            UnsignedByteAt(frame, secondChannel, m_format.bitsPerSample)};
        if (m_format.samplesPerSecond == kCaptureRate) {
            out.insert(out.end(), stereo.begin(), stereo.end());
            ++m_inputFrames;
        } else {
            Resample(stereo, out);
        }
    }
    return out;
}

void CaptureConverter::Resample(std::array<std::uint8_t, 2> latest,
                                std::vector<std::uint8_t>& out) {
    const std::uint64_t rate = m_format.samplesPerSecond;
    const std::uint64_t latestIndex = m_inputFrames++;
    while (true) {
        if (!m_nextOutput) {
            // Output frame j lies between input frames j x rate / 8000 and the one after.
            const std::uint64_t position = m_outputFrames * rate;
            if (position / kCaptureRate + 1 != latestIndex) {
                break;
            }
            const std::uint64_t weight = position % kCaptureRate;
            std::array<std::uint8_t, 2> frame{};
            for (std::size_t c = 0; c < 2; ++c) {
                frame[c] = static_cast<std::uint8_t>((m_previous[c] * (kCaptureRate - weight) +
                                                      latest[c] * weight + kCaptureRate / 2) /
                                                     kCaptureRate);
            }
            m_nextOutput = frame;
        }
        if ((m_outputFrames + 1) * rate > m_inputFrames * kCaptureRate) {
            break;
        }
        out.insert(out.end(), m_nextOutput->begin(), m_nextOutput->end());
        m_nextOutput.reset();
        ++m_outputFrames;
    }
    m_previous = latest;
}

std::span<const std::uint8_t> CaptureConverter::Finish(std::vector<std::uint8_t>& out) {
    out.clear();
    if (m_format.samplesPerSecond == kCaptureRate || m_nextOutput) {
        return out;  // a waiting output frame lies past the end
    }
    // Frames after the last input frame's position have no right neighbour: it stands alone.
    const std::uint64_t rate = m_format.samplesPerSecond;
    for (; (m_outputFrames + 1) * rate <= m_inputFrames * kCaptureRate; ++m_outputFrames) {
        out.insert(out.end(), m_previous.begin(), m_previous.end());
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> ConvertToCaptureFormat(
    const recordformat::WaveFormat& format, std::span<const std::uint8_t> samples) {
    auto converter = CaptureConverter::For(format);
    if (!converter) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> scratch;
    const auto converted = converter->Convert(samples, scratch);
    std::vector<std::uint8_t> out(converted.begin(), converted.end());
    const auto end = converter->Finish(scratch);
    out.insert(out.end(), end.begin(), end.end());
    return out;
}

}  // namespace marulo::acquisition
