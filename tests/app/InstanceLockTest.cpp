// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceLock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/SmallDisk.h"
#include "tests/support/TempFolder.h"

namespace marulo::app {
namespace {

namespace fs = std::filesystem;

// A real disk filled to the last byte: the lock file cannot be written, yet the folder is held,
// and a second copy is still kept off it.
TEST(InstanceLockTest, AFullDiskStillHoldsTheFolderAgainstASecondCopy) {
    testing::TempFolder parent("lock");
    const fs::path folder = parent / "program";
    testing::SmallDisk disk(folder, 64 * 1024);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a small disk needs root";
    }
    {
        std::ofstream fill(folder / "filler", std::ios::binary);
        const std::string chunk(4096, 'x');
        while (fill.write(chunk.data(), static_cast<std::streamsize>(chunk.size()))) {
        }
    }
    const InstanceLock first(folder);
    EXPECT_TRUE(first.Acquired());
    EXPECT_TRUE(first.LockFileUnwritten());
    const InstanceLock second(folder);
    EXPECT_FALSE(second.Acquired());
    EXPECT_FALSE(second.LockFileUnwritten());
}

// A lock file whose process id belongs to a living copy that works on another folder.
TEST(InstanceLockTest, ALockFileOfACopyOnAnotherFolderDoesNotBlockThisOne) {
    testing::TempFolder elsewhere("lock-elsewhere");
    testing::TempFolder here("lock-here");
    const InstanceLock other(elsewhere);
    ASSERT_TRUE(other.Acquired());
    fs::copy_file(elsewhere / InstanceLock::kFileName, here / InstanceLock::kFileName);
    const InstanceLock mine(here);
    EXPECT_TRUE(mine.Acquired());
    EXPECT_FALSE(mine.LockFileUnwritten());
    const InstanceLock secondHere(here);
    EXPECT_FALSE(secondHere.Acquired());
}

}  // namespace
}  // namespace marulo::app
