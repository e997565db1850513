// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordIndex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace marulo::archive {
namespace {

namespace fs = std::filesystem;

class RecordIndexTest : public ::testing::Test {
protected:
    static void Touch(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }

    testing::TempFolder m_folder{"index", testing::TempFolder::Current::Enter};
};

TEST_F(RecordIndexTest, HoldsOneKeyPerMotherAndEdcInByteOrder) {
    EXPECT_TRUE(BuildRecordIndex().empty());

    for (const char* file :
         {"anna_20100101_20100209153045123.zip", "Bella_20100101_20100209153045123.zip",
          "Anna_20100512_20100209153045123.zip", "Anna_20100512_20100301101010000.zip",
          "Anna_20100513_20100301101010000.Zip", "Mary_Ann_20100512_20100301101010000.zip",
          "\xC3\x89va_20100512_20100301101010000.zip", "old.zip", "notes_1.txt"}) {
        Touch(fs::path("Data") / file);
    }
    fs::create_directories("Data/Zed_1_2.zip");

    EXPECT_EQ(
        BuildRecordIndex(),
        (std::vector<std::string>{"", "Anna_20100512", "Anna_20100513", "Bella_20100101",
                                  "Mary_Ann_20100512", "anna_20100101", "\xC3\x89va_20100512"}));
    EXPECT_EQ(BuildRecordIndex(m_folder / "Data").size(), 7U);
}

}  // namespace
}  // namespace marulo::archive
