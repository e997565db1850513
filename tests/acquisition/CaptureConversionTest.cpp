// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureConversion.h"

#include <gtest/gtest.h>

#include <vector>

#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::optional<Bytes> Convert(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                             const Bytes& samples) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return ConvertToCaptureFormat({1, channels, rate, rate * align, align, bits}, samples);
}

TEST(CaptureConversion, ChannelsWidthAndPassThrough) {
    Bytes capture(4000);
    for (std::size_t i = 0; i < capture.size(); ++i) {
        capture[i] = static_cast<std::uint8_t>(i * 37);
    }
    EXPECT_EQ(ConvertToCaptureFormat(CaptureFormat(), capture), capture);
    // Mono is doubled; of three channels the first two stay; a partial frame is dropped.
    EXPECT_EQ(Convert(1, 8000, 8, {1, 2, 3}), (Bytes{1, 1, 2, 2, 3, 3}));
    EXPECT_EQ(Convert(3, 8000, 8, {1, 2, 3, 4, 5, 6, 7}), (Bytes{1, 2, 4, 5}));
    // 16-bit: the high byte plus 128 (samples 0, -32768, 32767, 256, -1, 255).
    const Bytes wide{0x00, 0x00, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00};
    EXPECT_EQ(Convert(2, 8000, 16, wide), (Bytes{128, 0, 255, 129, 127, 128}));
}

TEST(CaptureConversion, RateByLinearInterpolation) {
    EXPECT_EQ(Convert(1, 16000, 8, {10, 20, 30, 40, 50}), (Bytes{10, 10, 30, 30}));
    // Midpoints round half up; the last frame has no right neighbour.
    EXPECT_EQ(Convert(1, 4000, 8, {10, 21, 0}),
              (Bytes{10, 10, 16, 16, 21, 21, 11, 11, 0, 0, 0, 0}));
    // At 10000 Hz output frame 1 lies at input position 1.25.
    EXPECT_EQ(Convert(1, 10000, 8, {0, 100, 200, 0, 0}), (Bytes{0, 0, 125, 125, 100, 100, 0, 0}));
    EXPECT_EQ(Convert(2, 44100, 16, Bytes(44100 * 4, 0))->size(), 16000u);
    EXPECT_EQ(Convert(1, 44100, 8, Bytes(6, 0))->size(), 2u);
}

TEST(CaptureConversion, RefusesWhatItCannotRead) {
    const Bytes some(16, 0);
    EXPECT_FALSE(Convert(1, 8000, 32, some));
    EXPECT_FALSE(Convert(0, 8000, 8, some));
    EXPECT_FALSE(Convert(1, 0, 8, some));
    EXPECT_FALSE(ConvertToCaptureFormat({3, 1, 8000, 8000, 1, 8}, some)) << "not PCM";
    EXPECT_FALSE(ConvertToCaptureFormat({1, 2, 8000, 32000, 2, 16}, some)) << "block align";
}

}  // namespace
}  // namespace marulo::acquisition
