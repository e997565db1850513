// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace marulo::mainwnd {

// The scale the window is shown at: the screen's own, or, when the window would not fit the
// work area at it, the largest that fits, never below 1 (smaller, the skin and the texts blur
// into each other). Sizes are in the screen's logical pixels at `screenScale`.
double FittingWindowScale(double screenScale, int windowWidth, int windowHeight, int workWidth,
                          int workHeight);

// Looks at the primary screen before the program's QApplication exists and, when the window
// would not fit its work area, sets QT_SCALE_FACTOR so that it does. Call first thing in main.
void FitWindowScaleToScreen(int& argc, char** argv);

}  // namespace marulo::mainwnd
