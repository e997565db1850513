// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Fonts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/ConfigFiles.h"
#include "app/WorkFolder.h"
#include "tests/support/TempFolder.h"

namespace marulo::app {
namespace {

namespace fs = std::filesystem;

class FontsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigFolderForTesting(FolderLocation{"", m_folder.Path().string() + "/"});
        ResetUiFonts();
    }
    void TearDown() override {
        ResetUiFonts();
        SetConfigFolderForTesting(std::nullopt);
    }

    void WriteConf(const std::string& content) {
        std::ofstream(m_folder / "Conf.ini", std::ios::binary) << content;
    }

    testing::TempFolder m_folder{"fonts"};
};

TEST_F(FontsTest, BuildsTheThreeFontsFromConfIni) {
    WriteConf("[Font]\nName=DejaVu Sans\nSize=10\nHrSize=26\n");
    const QFont normal = UiFont(false);
    EXPECT_EQ(normal.family(), "DejaVu Sans");
    EXPECT_EQ(normal.pixelSize(), 13);
    EXPECT_EQ(normal.weight(), QFont::Normal);
    EXPECT_TRUE(normal.styleStrategy() & QFont::PreferAntialias);
    EXPECT_EQ(UiFont(true).weight(), QFont::Bold);
    EXPECT_EQ(UiFont(true).pixelSize(), 13);
    EXPECT_EQ(HeartRateFont().pixelSize(), 35);
    EXPECT_EQ(HeartRateFont().weight(), QFont::Bold);
}

TEST_F(FontsTest, KeepsFontsUntilReset) {
    WriteConf("[Font]\nSize=9\nHrSize=20\n");
    EXPECT_EQ(UiFont(false).pixelSize(), 12);
    EXPECT_EQ(HeartRateFont().pixelSize(), 27);

    WriteConf("[Font]\nSize=12\nHrSize=abc\n");
    EXPECT_EQ(UiFont(false).pixelSize(), 12);
    EXPECT_EQ(HeartRateFont().pixelSize(), 27);

    ResetUiFonts();
    EXPECT_EQ(UiFont(false).pixelSize(), 16);
    // A size that is no number leaves the default size in place.
    EXPECT_EQ(HeartRateFont().pixelSize(), QFont().pixelSize());
    EXPECT_EQ(HeartRateFont().pointSizeF(), QFont().pointSizeF());
}

}  // namespace
}  // namespace marulo::app
