// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FontSpecs.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/UiTexts.h"
#include "platform/IniFile.h"

namespace marulo::app {

namespace {

constexpr std::size_t kFaceNameBytes = 31;
constexpr std::int64_t kMaxPixelSize = 16384;
// Larger text no longer fits the buttons and panels (25 pixels high) or, for the heart rate,
// the number's place in the live view.
constexpr int kMaxUiPixelSize = 20;
constexpr int kMaxHeartRatePixelSize = 64;

FontSpec MakeFontSpec(std::string_view sizeKey, int weight, int maxPixelSize) {
    return FontSpec{
        std::string(platform::CutUtf8(UiText("Font", "Name", "System"), kFaceNameBytes)),
        std::min(PointSizeTextToPixels(UiText("Font", sizeKey, "9")), maxPixelSize), weight};
}

}  // namespace

int PointSizeTextToPixels(const std::string& sizeText) {
    const long points = std::strtol(sizeText.c_str(), nullptr, 10);
    constexpr std::int64_t kMaxPoints = kMaxPixelSize * 72 / 96;
    const std::int64_t scaled =
        std::clamp(static_cast<std::int64_t>(points), -kMaxPoints, kMaxPoints) * 96;
    const std::int64_t half = scaled < 0 ? -36 : 36;
    return static_cast<int>((scaled + half) / 72);
}

FontSpec UiFontSpec(bool bold) {
    return MakeFontSpec("Size", bold ? 700 : 400, kMaxUiPixelSize);
}

FontSpec HeartRateFontSpec() {
    return MakeFontSpec("HrSize", 700, kMaxHeartRatePixelSize);
}

}  // namespace marulo::app
