// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace marulo::app {

// The shared fonts, built from section Font of Conf.ini on first request and kept until
// ResetUiFonts. User-interface thread only.
QFont UiFont(bool bold);
QFont HeartRateFont();

// Discards the cached fonts, so the next request reads Conf.ini again (after a language switch).
void ResetUiFonts();

}  // namespace marulo::app
