// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/WindowScale.h"

#include <gtest/gtest.h>

namespace marulo::mainwnd {
namespace {

TEST(WindowScaleTest, TheLargestScaleThatFitsTheWorkArea) {
    struct Case {
        double screenScale;
        int workWidth;
        int workHeight;
        double expected;
    };
    const Case cases[] = {
        {1.0, 1920, 1040, 1.0},     // fits as it is
        {2.0, 1920, 1080, 2.0},     // a 3840 x 2160 screen at 2
        {2.0, 960, 510, 1.6268},    // 1920 x 1080 at 2, less a panel: 1020 / 627
        {2.0, 960, 540, 1.7225},    // no panel: 1080 / 627
        {1.5, 1280, 693, 1.5},      // fits exactly at 1.5 (1920 x 1040 physical)
        {1.75, 1097, 617, 1.7221},  // 1920 x 1080 at 1.75: 1080 / 627
        {1.0, 1024, 570, 0.9091},   // 1024 x 600 less a panel: 570 / 627
        {1.0, 1024, 600, 0.9569},   // 600 / 627
        {1.0, 800, 600, 0.8909},    // 800 / 898
        {1.0, 600, 400, 0.75},      // too small at any scale: never below 0.75
        {2.0, 400, 300, 0.8909},    // 800 x 600 physical: 800 / 898
        {2.0, 200, 150, 0.75},
        {0.8, 600, 400, 0.75},  // a scale the user chose between 0.75 and 1 still fits
        {0.5, 800, 600, 0.5},   // a scale the user chose below 0.75 is kept
        {2.0, 0, 0, 2.0},       // no work area known
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(FittingWindowScale(c.screenScale, 898, 627, c.workWidth, c.workHeight),
                    c.expected, 0.0005)
            << c.screenScale << " " << c.workWidth << "x" << c.workHeight;
    }
}

}  // namespace
}  // namespace marulo::mainwnd
