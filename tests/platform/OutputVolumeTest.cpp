// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OutputVolume.h"

#include <gtest/gtest.h>

#include <vector>

namespace marulo::platform {
namespace {

TEST(OutputVolumeTest, StartsFullAndTellsObserversUntilRemoved) {
    EXPECT_EQ(GetOutputVolume(), 65535);

    std::vector<int> seen;
    const int first = AddOutputVolumeObserver([&](std::uint16_t level) { seen.push_back(level); });
    int second = 0;
    // An observer that removes itself while being told.
    second = AddOutputVolumeObserver([&](std::uint16_t level) {
        seen.push_back(-level);
        RemoveOutputVolumeObserver(second);
    });

    SetOutputVolume(30000);
    EXPECT_EQ(GetOutputVolume(), 30000);
    SetOutputVolume(0);
    RemoveOutputVolumeObserver(first);
    SetOutputVolume(5);

    EXPECT_EQ(seen, (std::vector<int>{30000, -30000, 0}));
    EXPECT_EQ(GetOutputVolume(), 5);
}

}  // namespace
}  // namespace marulo::platform
