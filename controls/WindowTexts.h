// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QString>
#include <string>

#include "app/Config.h"

namespace marulo::controls {

// The property every placed control carries its numeric id under.
inline constexpr const char* kControlIdProperty = "controlId";

// Win32-style rectangle with exclusive right and bottom edges.
constexpr QRect Box(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

inline QString FromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// A message text of the current language file.
inline QString Message(const char* key) {
    return FromUtf8(app::MessageText(key));
}

}  // namespace marulo::controls
