// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/TempFolder.h"

namespace marulo::platform {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
protected:
    testing::TempFolder m_folder{"settings"};
};

TEST_F(SettingsStoreTest, TextsSurviveANewStoreOnTheSameFile) {
    const fs::path file = m_folder / "sub" / "Marulo.ini";
    const std::string name = "\xC3\x89va M\xC3\xBCller, \"Anna\"; #1 = [x]";
    {
        SettingsStore store(file);
        EXPECT_FALSE(store.Read("Name"));
        EXPECT_TRUE(store.Write("Name", name));
        EXPECT_TRUE(store.Write("EDC", "2010-05-12"));
        EXPECT_TRUE(store.Write("EDC", "2010-06-01"));
    }
    SettingsStore reopened(file);
    EXPECT_EQ(reopened.Read("Name"), name);
    EXPECT_EQ(reopened.Read("EDC"), "2010-06-01");
    EXPECT_FALSE(reopened.Read("Other"));
}

TEST_F(SettingsStoreTest, HandWrittenListReadsAsItsText) {
    const fs::path file = m_folder / "Marulo.ini";
    std::ofstream(file) << "[General]\nName=Anna, Bella\n";
    EXPECT_EQ(SettingsStore(file).Read("Name"), "Anna, Bella");
}

TEST_F(SettingsStoreTest, UnwritableStoreReportsFailure) {
    const fs::path blocker = m_folder / "file";
    std::ofstream(blocker) << "x";
    SettingsStore store(blocker / "Marulo.ini");
    EXPECT_FALSE(store.Write("Name", "Anna"));
}

// The window warns at start when the profile will not be saved; CanWrite tells it beforehand.
TEST_F(SettingsStoreTest, CanWriteTellsBeforeAnyWrite) {
    std::ofstream(m_folder / "file") << "x";
    fs::create_directories(m_folder / "folder.ini");
    const struct {
        fs::path store;
        bool writable;
    } cases[] = {
        {m_folder / "Marulo.ini", true},
        {m_folder / "new" / "sub" / "Marulo.ini", true},
        {m_folder / "folder.ini", false},
        {m_folder / "file" / "Marulo.ini", false},
    };
    for (const auto& c : cases) {
        SettingsStore store(c.store);
        EXPECT_EQ(store.CanWrite(), c.writable) << c.store;
        EXPECT_EQ(store.Write("Name", "Anna"), c.writable) << c.store;
    }
}

}  // namespace
}  // namespace marulo::platform
