// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>

namespace marulo::app {

// The shared fonts, built from section Font of Conf.ini on first request and kept until
// ResetUiFonts. User-interface thread only.
QFont UiFont(bool bold);
QFont HeartRateFont();
// The heart-rate font for a figure set apart from the baby's rate: the same face, 70 % of its size.
QFont SetApartHeartRateFont();

// Discards the cached fonts, so the next request reads Conf.ini again (after a language switch).
void ResetUiFonts();

}  // namespace marulo::app
