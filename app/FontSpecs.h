// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace marulo::app {

// What a shared font is made of, as read from section Font of Conf.ini.
struct FontSpec {
    std::string face;   // at most 31 bytes, never a split UTF-8 character
    int pixelSize = 0;  // 0 or less: leave the default size
    int weight = 400;   // 400 normal, 700 bold

    bool operator==(const FontSpec&) const = default;
};

// A size in points, read as the standard text-to-long conversion reads it (leading blanks, an
// optional sign, then digits; no digits give 0), in pixels at a fixed 96 pixels per inch, rounded
// to the nearest with halves away from zero; held within +-16384 pixels.
int PointSizeTextToPixels(const std::string& sizeText);

// Sizes are held to what fits the controls: 20 pixels for the shared font, 64 for the heart rate.
FontSpec UiFontSpec(bool bold);
FontSpec HeartRateFontSpec();

}  // namespace marulo::app
