// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry for programs that need a QApplication (widgets, sound, playback).
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
