// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace marulo::mainwnd {

// A screen rectangle with exclusive right and bottom edges.
struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;

    bool operator==(const ScreenPoint&) const = default;
};

// Top-left corner that centres a window of the given size on the work area (halvings truncate
// toward zero), pulled back inside it; a window larger than the work area starts at its left
// and top edges.
ScreenPoint CentredTopLeft(const ScreenRect& workArea, int width, int height);

}  // namespace marulo::mainwnd
