// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ConfigFiles.h"
#include "app/FontSpecs.h"
#include "app/Languages.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
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

// A missing, empty or garbage Conf.ini, or one that lacks a key, leaves the built-in English
// texts in place, so the window keeps its title, labels and language button.
TEST_F(ConfigFilesTest, MissingKeysFallBackToTheBuiltInEnglishTexts) {
    const std::vector<std::pair<const char*, std::string>> confs = {
        {"missing", ""},
        {"empty", "\n"},
        {"garbage", std::string("\x00\xff\xfe garbage = [ ]\n=\n", 19)},
        {"other keys only", "[Message]\nWeekTitle=Wo\n[Font]\nSize=10\n"},
        {"too large", std::string(17 * 1024 * 1024, 'x')},
    };
    for (const auto& [label, content] : confs) {
        SCOPED_TRACE(label);
        fs::remove(m_folder / "Conf.ini");
        if (std::string_view(label) != "missing") {
            WriteAll(m_folder / "Conf.ini", content);
        }
        EXPECT_EQ(ConfIniPath(), (m_folder / "Conf.ini").string());
        EXPECT_EQ(MessageText("ProgramName"), "Marulo");
        EXPECT_EQ(MessageText("MotherTitle"), "Mother");
        EXPECT_EQ(MessageText("NoSuchKey"), "");
        EXPECT_EQ(UiText("Language", "Title", ""), "Language: English");
        EXPECT_EQ(UiText("Homepage", "Url", ""), "guide/user-guide.html");
        EXPECT_EQ(UiText("Homepage", "NoSuchKey", "default"), "default");
        EXPECT_EQ(UiFontSpec(true).face, "DejaVu Sans");
    }
    EXPECT_EQ(MessageText("WeekTitle"), "wk") << "the too large file counts as missing";
    WriteAll(m_folder / "Conf.ini", "[Message]\nWeekTitle=Wo\nMotherTitle=\n");
    EXPECT_EQ(MessageText("WeekTitle"), "Wo");
    EXPECT_EQ(MessageText("MotherTitle"), "") << "a key present but empty stays empty";
    EXPECT_TRUE(LanguageNames().empty());
}

// Sizes that would make every text vanish or overflow its control are held to what fits.
TEST_F(ConfigFilesTest, FontSizesAreHeldToWhatFitsTheControls) {
    const std::vector<std::tuple<const char*, int, int>> cases = {
        {"Size=9\nHrSize=26", 12, 35},
        {"Size=100000\nHrSize=100000", 20, 64},
        {"Size=15\nHrSize=48", 20, 64},
        {"Size=abc\nHrSize=-5", 0, -7},
    };
    for (const auto& [sizes, ui, heartRate] : cases) {
        SCOPED_TRACE(sizes);
        WriteAll(m_folder / "Conf.ini", std::string("[Font]\n") + sizes + "\n");
        EXPECT_EQ(UiFontSpec(false).pixelSize, ui);
        EXPECT_EQ(HeartRateFontSpec().pixelSize, heartRate);
    }
}

// A file changed in place is read again, even within one tick of the file clock.
TEST_F(ConfigFilesTest, ConfIniIsReadAgainWhenItChanges) {
    WriteAll(m_folder / "Conf.ini", "[Message]\nTitle=One\n");
    EXPECT_EQ(MessageText("Title"), "One");
    WriteAll(m_folder / "Conf.ini", "[Message]\nTitle=Two\n");
    EXPECT_EQ(MessageText("Title"), "Two") << "same size, same time tick";
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
    fs::last_write_time(m_folder / "Conf.ini", old);
    EXPECT_EQ(MessageText("Title"), "Two");
    WriteAll(m_folder / "Conf.ini", "[Message]\nTitle=Three\n");
    EXPECT_EQ(MessageText("Title"), "Three");
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

// Lang.ini may point anywhere; only language files inside the language folder are copied.
TEST_F(ConfigFilesTest, SwitchTakesOnlyLanguageFilesFromTheLanguageFolder) {
    const std::string language = "[Message]\nTitle=Hallo\n[Language]\nCurrent=Deutsch\n";
    WriteAll(m_folder / "outside.ini", language);
    WriteAll(m_folder / "lang" / "Notes.ini", "just some notes\n");
    WriteAll(m_folder / "lang" / "NoName.ini", "[Message]\nTitle=x\n");
    WriteAll(m_folder / "lang" / "Record.zip", "PK\3\4....");
    WriteAll(m_folder / "lang" / "German.ini", language);
    fs::create_symlink(m_folder / "outside.ini", m_folder / "lang" / "Link.ini");
    WriteAll(m_folder / "Lang.ini",
             "[Language]\nUp=../outside.ini\nUpDown=lang/../outside.ini\nAbsolute=" +
                 (m_folder / "outside.ini").string() +
                 "\nLink=lang/Link.ini\nNotes=lang/Notes.ini\nNoName=lang/NoName.ini\n"
                 "Zip=lang/Record.zip\nPasswd=../../../../../../etc/passwd\n"
                 "Deutsch=lang/German.ini\n");
    const std::string conf = "[Message]\nTitle=Hello\n";
    WriteAll(m_folder / "Conf.ini", conf);
    for (const char* name :
         {"Up", "UpDown", "Absolute", "Link", "Notes", "NoName", "Zip", "Passwd"}) {
        EXPECT_FALSE(SwitchLanguageFiles(name)) << name;
        EXPECT_EQ(ReadAll(m_folder / "Conf.ini"), conf) << name;
    }
    EXPECT_TRUE(SwitchLanguageFiles("Deutsch"));
    EXPECT_EQ(ReadAll(m_folder / "Conf.ini"), language);
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
        "AlertEDCLongPast",
        "AlertEDCUnreadable",
        "RedateOffer",
        "RedateButton",
        "MotherListRedate",
        "RedateAsk",
        "RedateWhileRecording",
        "RedateConflict",
        "RedateFailed",
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
        "SpokenLevel",
        "ChartScrollBar",
        "RecordingNow",
        "NotRecording",
        "SpokenRecording",
        "ExportButton",
        "TipExport",
        "ItemNoHeartbeat",
        "ItemPercent",
        "SpokenDuration",
        "SpokenConfirmed",
        "MenuDeleteRecord",
        "DeleteButton",
        "UndoDeleteButton",
        "TipDeleteRecord",
        "TipUndoDelete",
        "DeleteWhilePlaying",
        "DeleteWhileSaving",
        "TrashFailed",
        "TrashRestoreTaken",
        "TrashRestoreGone",
        "TrashRestoreFailed",
        "NoteInvalid",
        "EventsDamaged",
        "EventsNotStored",
        "MarksNotStored",
        "MarkButton",
        "MarkCount",
        "TipMark",
        "NoteButton",
        "TipNote",
        "NoteTitle",
        "NoteShown",
        "NoteWhilePlaying",
        "ReportMarks",
        "ReportNote",
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
