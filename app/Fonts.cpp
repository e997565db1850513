// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Fonts.h"

#include <QCoreApplication>

#include <optional>

#include "app/Config.h"

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

void ResetUiFonts() {
    Cache() = FontCache{};
}

}  // namespace marulo::app
