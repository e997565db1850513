// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry for programs that need a QApplication (widgets, sound, playback).
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char** argv) {
    // Widgets draw offscreen unless a test run asks for a real display; CTest's discovery runs
    // the program without the environment its tests get.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
