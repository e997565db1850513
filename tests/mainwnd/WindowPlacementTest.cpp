// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/WindowPlacement.h"

#include <gtest/gtest.h>

namespace marulo::mainwnd {
namespace {

TEST(WindowPlacementTest, CentresAndClampsToTheWorkArea) {
    struct Case {
        ScreenRect work;
        ScreenPoint expected;
    };
    const Case cases[] = {
        {{0, 0, 1280, 800}, {191, 87}},      // (1280 / 2 - 449, 800 / 2 - 313)
        {{0, 0, 1281, 801}, {191, 87}},      // halvings truncate
        {{100, 50, 1380, 850}, {291, 137}},  // a work area beside a task bar
        {{0, 0, 800, 600}, {0, 0}},          // smaller: left and top edges
        {{-1280, 0, 0, 800}, {-1089, 87}},   // a screen left of the primary one
        {{0, 0, 898, 627}, {0, 0}},          // exactly the window
        {{-901, 0, 0, 627}, {-899, 0}},      // a negative halving truncates toward zero
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentredTopLeft(c.work, 898, 627), c.expected)
            << c.work.left << "," << c.work.top << "," << c.work.right << "," << c.work.bottom;
    }
}

}  // namespace
}  // namespace marulo::mainwnd
