// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/IniFile.h"
#include "tests/support/TempFolder.h"

namespace marulo::app {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

struct PathCase {
    FolderLocation folder;
    const char* relative;
    char separator;
    const char* expected;
};

TEST(ConfigPathTest, JoinsAndCollapsesSeparators) {
    const PathCase cases[] = {
        {{"C:", "\\Program\\App\\"}, "Conf.ini", '\\', "C:\\Program\\App\\Conf.ini"},
        // A network path without a drive: the three leading separators collapse to two.
        {{"", "\\\\server\\share\\App\\"}, "Lang.ini", '\\', "\\\\server\\share\\App\\Lang.ini"},
        {{"C:", "\\App\\"}, "lang\\\\German.ini", '\\', "C:\\App\\lang\\German.ini"},
        {{"", "/opt/marulo/"}, "Conf.ini", '/', "/opt/marulo/Conf.ini"},
        {{"", "/opt/marulo/"}, "lang//English.ini", '/', "/opt/marulo/lang/English.ini"},
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(JoinFolderPath(c.folder, c.relative, c.separator), c.expected) << c.expected;
    }
    EXPECT_EQ(CollapseDoubledSeparators("\\\\\\", '\\'), "\\\\");
    EXPECT_EQ(CollapseDoubledSeparators("a/////b", '/'), "a///b");
    EXPECT_EQ(CollapseDoubledSeparators("a//b", '\\'), "a//b");
    EXPECT_EQ(CollapseDoubledSeparators("", '/'), "");
}

TEST(ConfigPathTest, SplitsDriveAndDirectory) {
    EXPECT_EQ(SplitFolder("C:\\Program\\App\\Marulo.exe", '\\'),
              (FolderLocation{"C:", "\\Program\\App\\"}));
    EXPECT_EQ(SplitFolder("\\\\server\\share\\App\\Marulo.exe", '\\'),
              (FolderLocation{"", "\\\\server\\share\\App\\"}));
    EXPECT_EQ(SplitFolder("C:/App/Marulo.exe", '\\'), (FolderLocation{"C:", "/App/"}));
    EXPECT_EQ(SplitFolder("/opt/mar\\ulo/marulo", '/'), (FolderLocation{"", "/opt/mar\\ulo/"}));
}

TEST(ConfigPathTest, FindsConfIniBesideTheExecutableFromAnyWorkingDirectory) {
    SetConfigFolderForTesting(std::nullopt);
    const FolderLocation exe = ExeFolder();
    EXPECT_EQ(exe.drive, "");
    EXPECT_EQ(exe.directory, fs::canonical("/proc/self/exe").parent_path().string() + "/");

    const fs::path before = fs::current_path();
    const std::string path = ConfIniPath();
    fs::current_path(fs::temp_directory_path());
    EXPECT_EQ(ConfIniPath(), path);
    fs::current_path(before);
    EXPECT_EQ(path, exe.directory + "Conf.ini");
}

TEST(ConfigFontTest, ConvertsPointSizeTextToPixels) {
    const struct {
        const char* text;
        int pixels;
    } cases[] = {
        {"9", 12},
        {"10", 13},
        {"11", 15},
        {"12", 16},
        {"26", 35},
        {"  12pt", 16},
        {"+10", 13},
        {"-9", -12},
        {"abc", 0},
        {"", 0},
        {"99999999999999999999999", 16384},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PointSizeTextToPixels(c.text), c.pixels) << '"' << c.text << '"';
    }
}

// Each test works in a fresh configuration folder.
class ConfigFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetConfigFolderForTesting(FolderLocation{"", m_folder.Path().string() + "/"});
    }
    void TearDown() override { SetConfigFolderForTesting(std::nullopt); }

    testing::TempFolder m_folder{"config"};
};

TEST_F(ConfigFilesTest, MissingConfIniGivesDefaultsAndEmptyMessages) {
    EXPECT_EQ(ConfIniPath(), (m_folder / "Conf.ini").string());
    EXPECT_EQ(MessageText("Title"), "");
    EXPECT_EQ(UiText("Homepage", "Url", ""), "");
    EXPECT_EQ(UiFontSpec(false), (FontSpec{"System", 12, 400}));
    EXPECT_EQ(UiFontSpec(true), (FontSpec{"System", 12, 700}));
    EXPECT_EQ(HeartRateFontSpec(), (FontSpec{"System", 12, 700}));
    EXPECT_TRUE(LanguageNames().empty());
}

TEST_F(ConfigFilesTest, ReadsTextsWithTheirCapacities) {
    const std::string longText(200, 'x');
    WriteAll(m_folder / "Conf.ini", "[Message]\nDayTitle=days\nLong=" + longText +
                                        "\n[Homepage]\nTitle=\nUrl=" + longText + "\n");
    EXPECT_EQ(MessageText("Long"), longText);
    EXPECT_EQ(UiText("Homepage", "Url", ""), longText.substr(0, 127));
    EXPECT_EQ(UiText("Homepage", "Title", "default"), "");
    EXPECT_EQ(UiText("Homepage", "Missing", "default"), "default");
    EXPECT_EQ(MessageText("DayTItle"), "days");
}

TEST_F(ConfigFilesTest, CutsLongFaceNamesToThirtyOneBytesOnCharacterBoundaries) {
    const std::string ascii = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij";
    WriteAll(m_folder / "Conf.ini", "[Font]\nName=" + ascii + "\n");
    EXPECT_EQ(UiFontSpec(false).face, ascii.substr(0, 31));

    std::string wide;  // eleven three-byte characters: 33 bytes
    for (int i = 0; i < 11; ++i) {
        wide += "\xE4\xB8\xAD";
    }
    WriteAll(m_folder / "Conf.ini", "[Font]\nName=" + wide + "\n");
    EXPECT_EQ(HeartRateFontSpec().face, wide.substr(0, 30));
}

TEST_F(ConfigFilesTest, SwitchesLanguageOnlyWhenBothFilesExist) {
    WriteAll(m_folder / "Lang.ini",
             "[Language]\nEnglish=lang/English.ini\nBlank=\nGone=lang/Gone.ini\n"
             "Deutsch=lang//German.ini\n");
    WriteAll(m_folder / "lang" / "English.ini", "[Message]\nTitle=Hello\n");
    WriteAll(m_folder / "lang" / "German.ini",
             "[Message]\nTitle=Hallo\n[Language]\nCurrent=Deutsch\n[Font]\nSize=12\n");

    EXPECT_EQ(LanguageNames(), (std::vector<std::string>{"English", "Blank", "Gone", "Deutsch"}));
    EXPECT_FALSE(SwitchLanguageFiles("Deutsch")) << "no Conf.ini to replace";
    EXPECT_FALSE(fs::exists(m_folder / "Conf.ini"));

    WriteAll(m_folder / "Conf.ini", "[Message]\nTitle=Hello\n");
    EXPECT_FALSE(SwitchLanguageFiles("Blank"));
    EXPECT_FALSE(SwitchLanguageFiles("Gone"));
    EXPECT_FALSE(SwitchLanguageFiles("Unlisted"));
    EXPECT_EQ(MessageText("Title"), "Hello");

    EXPECT_TRUE(SwitchLanguageFiles("deutsch"));
    EXPECT_EQ(MessageText("Title"), "Hallo");
    EXPECT_EQ(UiText("Language", "Current", ""), "Deutsch");
    EXPECT_EQ(UiFontSpec(false).pixelSize, 16);
    EXPECT_EQ(ReadAll(m_folder / "Conf.ini"), ReadAll(m_folder / "lang" / "German.ini"));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 3)
        << "no staging copy is left behind";
}

TEST(ShippedLanguagesTest, EveryLanguageFileHasEveryKeyAndNamesItself) {
    const fs::path res = MARULO_RES_DIR;
    SetConfigFolderForTesting(FolderLocation{"", res.string() + "/"});
    const std::vector<std::string> names = LanguageNames();
    EXPECT_EQ(names,
              (std::vector<std::string>{
                  "English", "\xE7\xAE\x80\xE4\xBD\x93\xE4\xB8\xAD\xE6\x96\x87", "Deutsch"}));
    const char* messageKeys[] = {
        "ProgramName",
        "Title",
        "MotherTitle",
        "GestationTitle",
        "WeekTitle",
        "DayTitle",
        "EDCTitle",
        "MinuteTitle",
        "HeartMark",
        "Bpm",
        "Exclamation",
        "Error",
        "AlertRecording",
        "AlertPlaying",
        "ConnFailed",
        "AlertEDCPass",
        "AlertEDCOver",
        "NameError",
        "EDCError",
        "MotherListTitle",
        "MotherListHelp",
        "Ok",
        "Cancel",
        "FolderOpen",
        "Am",
        "Pm",
        "NameInvalid",
        "RecordNotStored",
    };
    const std::pair<const char*, const char*> uiKeys[] = {
        {"Font", "Name"},        {"Font", "Size"},      {"Font", "HrSize"},  {"Language", "Title"},
        {"Language", "Current"}, {"Homepage", "Title"}, {"Homepage", "Url"},
    };
    for (const std::string& name : names) {
        const fs::path file = LanguageFilePath(LanguageValue(name));
        ASSERT_TRUE(fs::is_regular_file(file)) << file;
        for (const char* key : messageKeys) {
            EXPECT_NE(platform::IniFile::ReadString(file, "Message", key, "", 1024), "")
                << file << " Message/" << key;
        }
        for (const auto& [section, key] : uiKeys) {
            EXPECT_NE(platform::IniFile::ReadString(file, section, key, "", 128), "")
                << file << " " << section << "/" << key;
        }
        EXPECT_EQ(platform::IniFile::ReadString(file, "Language", "Current", "", 128), name);
        EXPECT_GT(
            PointSizeTextToPixels(platform::IniFile::ReadString(file, "Font", "Size", "", 128)), 0);
    }
    EXPECT_EQ(ReadAll(res / "Conf.ini"), ReadAll(res / "lang" / "English.ini"));
    SetConfigFolderForTesting(std::nullopt);
}

}  // namespace
}  // namespace marulo::app
