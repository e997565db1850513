// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <string>

#include "app/UiTexts.h"
#include "controls/WindowLayout.h"

namespace marulo::controls {

// The property every placed control carries its numeric id under.
inline constexpr const char* kControlIdProperty = "controlId";

inline QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// A message text of the current language file.
inline QString Message(const char* key) {
    return FromUtf8(app::MessageText(key));
}

}  // namespace marulo::controls
