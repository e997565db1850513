// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace marulo::platform {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
protected:
    fs::path Write(const std::string& content) {
        const fs::path path = m_folder / "Test.ini";
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    testing::TempFolder m_folder{"ini"};
};

struct LookupCase {
    const char* section;
    const char* key;
    const char* expected;
};

TEST_F(IniFileTest, LooksUpValuesByTheFileRules) {
    const fs::path path = Write(
        "\xEF\xBB\xBF"
        "Orphan=before any section\r\n"
        "; a comment\r\n"
        "[Message]\r\n"
        "  Title =  Hello World  \r\n"
        "Empty=\r\n"
        "# Hidden=comment\r\n"
        ";Hidden2=comment\r\n"
        "DQuoted=\"  spaced  \"\r\n"
        "SQuoted='single'\r\n"
        "Mixed=\"x'\r\n"
        "Lone=\"\r\n"
        "Inner=a \"b\" c\r\n"
        "Equals=a=b\r\n"
        "NoEquals\r\n"
        "Title=Second\r\n"
        "[ Font ]\r\n"
        "Name=DejaVu Sans\r\n"
        "[message]\r\n"
        "Late=yes\r\n"
        "Title=Third");
    const LookupCase cases[] = {
        {"Message", "Title", "Hello World"},
        {"MESSAGE", "tItLe", "Hello World"},
        {"Message", "Empty", ""},
        {"Message", "Missing", "<default>"},
        {"Nowhere", "Title", "<default>"},
        {"Message", "# Hidden", "<default>"},
        {"Message", "Hidden", "<default>"},
        {"Message", "DQuoted", "  spaced  "},
        {"Message", "SQuoted", "single"},
        {"Message", "Mixed", "\"x'"},
        {"Message", "Lone", "\""},
        {"Message", "Inner", "a \"b\" c"},
        {"Message", "Equals", "a=b"},
        {"Message", "NoEquals", "<default>"},
        {"Message", "Late", "yes"},
        {"Font", "Name", "DejaVu Sans"},
        {"Font", "Title", "<default>"},
        {"", "Orphan", "<default>"},
    };
    for (const LookupCase& c : cases) {
        EXPECT_EQ(IniFile::ReadString(path, c.section, c.key, "<default>", 1024), c.expected)
            << c.section << "/" << c.key;
    }
}

TEST_F(IniFileTest, CutsValuesToBufferSizeMinusOneWithoutSplittingCharacters) {
    const std::string longValue(200, 'a');
    const fs::path path = Write("[S]\nLong=" + longValue + "\nWide=\xC3\xA9\xC3\xA9\xC3\xA9\n");
    EXPECT_EQ(IniFile::ReadString(path, "S", "Long", "", 128), longValue.substr(0, 127));
    EXPECT_EQ(IniFile::ReadString(path, "S", "Long", "", 1024), longValue);
    EXPECT_EQ(IniFile::ReadString(path, "S", "Missing", longValue, 128), longValue.substr(0, 127));
    EXPECT_EQ(IniFile::ReadString(path, "S", "Long", "x", 1), "");
    EXPECT_EQ(IniFile::ReadString(path, "S", "Long", "x", 0), "");
    EXPECT_EQ(IniFile::ReadString(path, "S", "Wide", "", 4), "\xC3\xA9");
    EXPECT_EQ(IniFile::ReadString(path, "S", "Wide", "", 5), "\xC3\xA9\xC3\xA9");
}

TEST_F(IniFileTest, MissingOrUnreadableFileGivesDefaultsAndNoKeys) {
    const fs::path missing = m_folder / "Missing.ini";
    EXPECT_EQ(IniFile::ReadString(missing, "S", "K", "fallback", 128), "fallback");
    EXPECT_TRUE(IniFile::ReadKeyNames(missing, "S", 4096).empty());
    EXPECT_EQ(IniFile::ReadString(m_folder, "S", "K", "fallback", 128), "fallback");
}

TEST_F(IniFileTest, ListsKeyNamesInFileOrderOnceEachAndOnlyWholeNamesThatFit) {
    const fs::path path = Write(
        "[Other]\nSkipped=1\n"
        "[Language]\nEnglish=lang/English.ini\n; Commented=x\n"
        "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87=lang/Chinese.ini\n"
        "english=duplicate\nDeutsch=lang/German.ini\n");
    const std::string chinese = "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87";
    using Names = std::vector<std::string>;
    // Each name takes its length plus a terminator; the list ends with one more: 8 + 13 + 8 + 1.
    EXPECT_EQ(IniFile::ReadKeyNames(path, "language", 4096),
              (Names{"English", chinese, "Deutsch"}));
    EXPECT_EQ(IniFile::ReadKeyNames(path, "Language", 30), (Names{"English", chinese, "Deutsch"}));
    EXPECT_EQ(IniFile::ReadKeyNames(path, "Language", 29), (Names{"English", chinese}));
    EXPECT_EQ(IniFile::ReadKeyNames(path, "Language", 9), (Names{"English"}));
    EXPECT_EQ(IniFile::ReadKeyNames(path, "Language", 8), Names{});
    EXPECT_EQ(IniFile::ReadKeyNames(path, "Absent", 4096), Names{});
}

}  // namespace
}  // namespace marulo::platform
