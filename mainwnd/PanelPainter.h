// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPainter;

namespace marulo::mainwnd {

// Paints the face of the main window: the background skin, the captions of the mother panel and
// the heart-rate scale beside the review chart. Reads no window state.
void PaintPanel(QPainter& painter);

}  // namespace marulo::mainwnd
