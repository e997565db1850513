// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

#include "archive/RecordName.h"

namespace marulo::mainwnd {

// The text of a control, cut as the window texts are read.
inline std::string ControlText(const QString& text) {
    const std::string utf8 = text.toStdString();
    return std::string(archive::CutUtf8(utf8, archive::MaxTextBytes));
}

}  // namespace marulo::mainwnd
