// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/WindowPlacement.h"

namespace marulo::mainwnd {

namespace {

int Place(int low, int high, int extent) {
    const int start = (low + high) / 2 - extent / 2;
    if (start < low) {
        return low;
    }
    if (start + extent > high) {
        return high - extent;
    }
    return start;
}

}  // namespace

ScreenPoint CentredTopLeft(const ScreenRect& workArea, int width, int height) {
    return {Place(workArea.left, workArea.right, width),
            Place(workArea.top, workArea.bottom, height)};
}

}  // namespace marulo::mainwnd
