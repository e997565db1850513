// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Fonts.h"

#include <QCoreApplication>

#include <cmath>
#include <optional>

#include "app/FontSpecs.h"

namespace marulo::app {

namespace {

struct FontCache {
    std::optional<QFont> normal;
    std::optional<QFont> bold;
    std::optional<QFont> heartRate;
};

FontCache& Cache() {
    static FontCache cache;
    [[maybe_unused]] static const bool releasedWithApplication = [] {
        // Fonts must not outlive the application's font database.
        qAddPostRoutine(ResetUiFonts);
        return true;
    }();
    return cache;
}

QFont MakeFont(const FontSpec& fontSpec) {
    QFont font;
    if (!fontSpec.face.empty()) {
        font.setFamilies({QString::fromStdString(fontSpec.face)});
    }
    if (fontSpec.pixelSize > 0) {
        font.setPixelSize(fontSpec.pixelSize);
    }
    font.setWeight(static_cast<QFont::Weight>(fontSpec.weight));
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace

QFont UiFont(bool bold) {
    std::optional<QFont>& holder = bold ? Cache().bold : Cache().normal;
    if (!holder) {
        holder = MakeFont(UiFontSpec(bold));
    }
    return *holder;
}

QFont HeartRateFont() {
    std::optional<QFont>& holder = Cache().heartRate;
    if (!holder) {
        holder = MakeFont(HeartRateFontSpec());
    }
    return *holder;
}

QFont SetApartHeartRateFont() {
    constexpr double kScale = 0.7;
    QFont font = HeartRateFont();
    if (font.pixelSize() > 0) {
        font.setPixelSize(static_cast<int>(std::lround(font.pixelSize() * kScale)));
    } else {
        font.setPointSizeF(font.pointSizeF() * kScale);
    }
    return font;
}

void ResetUiFonts() {
    Cache() = FontCache{};
}

}  // namespace marulo::app
