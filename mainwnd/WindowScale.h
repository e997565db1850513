// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace marulo::mainwnd {

// The scale the window is shown at: the screen's own, or, when the window would not fit the
// work area at it, the largest that fits, never below controls::kSmallestLayoutScale (smaller,
// the skin and the texts blur into each other). A scale the user chose below that is kept. Sizes
// are in the screen's logical pixels at `screenScale`.
double FittingWindowScale(double screenScale, int windowWidth, int windowHeight, int workWidth,
                          int workHeight);

// Looks at the primary screen before the program's QApplication exists and fits the window to
// its work area: above 1 through Qt's own scale (QT_SCALE_FACTOR), below 1 through the window's
// layout scale, which it returns for MainWindowOptions::layoutScale. Call first thing in main.
[[nodiscard]] double FitWindowScaleToScreen(int& argc, char** argv);

}  // namespace marulo::mainwnd
