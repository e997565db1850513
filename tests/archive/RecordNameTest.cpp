// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace marulo::archive {
namespace {

namespace fs = std::filesystem;

platform::LocalTime Time(int y, int mo, int d, int h, int mi, int s, int ms) {
    return {y, mo, d, h, mi, s, ms};
}

// A fresh empty folder, made the current directory for the test.
class FolderTest : public ::testing::Test {
protected:
    static void Touch(const fs::path& path) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
    }
    static std::vector<std::string> Sorted(std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TempFolder m_folder{"names", testing::TempFolder::Current::Enter};
};

TEST(RecordNameTest, FilePathPadsEveryPieceAndKeepsNameAndEdcAsTyped) {
    struct Case {
        const char* name;
        const char* edc;
        platform::LocalTime time;
        const char* path;
    } const cases[] = {
        {"Anna", "2010-05-12", Time(2010, 2, 9, 9, 5, 3, 7),
         "Data/Anna_20100512_20100209090503007.zip"},
        {"Anna", "2010-05-12", Time(2010, 2, 9, 15, 30, 45, 123),
         "Data/Anna_20100512_20100209153045123.zip"},
        {"Mary_Ann", "2010-05-12", Time(999, 12, 31, 23, 59, 59, 999),
         "Data/Mary_Ann_20100512_09991231235959999.zip"},
        {"Anna", "20100512", Time(2010, 2, 9, 0, 0, 0, 0),
         "Data/Anna_20100512_20100209000000000.zip"},
        {"Anna", "12.5.2010-x", Time(2010, 2, 9, 0, 0, 0, 0),
         "Data/Anna_12.5.2010x_20100209000000000.zip"},
        {"\xC3\x89va", "2010-05-12", Time(2010, 2, 9, 0, 0, 0, 0),
         "Data/\xC3\x89va_20100512_20100209000000000.zip"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordFilePath(c.name, c.edc, c.time), c.path) << c.name << " " << c.edc;
    }
}

TEST(RecordNameTest, CutUtf8KeepsWholeCharacters) {
    const std::string name = std::string(1022, 'a') + "\xC3\xA9";  // 1024 bytes
    EXPECT_EQ(CutUtf8(name, 1023), std::string(1022, 'a'));
    EXPECT_EQ(CutUtf8(name, 1024), name);
    EXPECT_EQ(CutUtf8("abc", 2), "ab");
    EXPECT_EQ(RecordFilePath(std::string(1500, 'n'), "", Time(2010, 1, 1, 0, 0, 0, 0)).size(),
              std::string("Data/").size() + 1023 + 2 + 17 + 4);
}

TEST(RecordNameTest, FileMatchesNeedsExactPrefixAndZipExtensionInAnyCase) {
    struct Case {
        const char* file;
        bool matches;
    } const cases[] = {
        {"Anna_20100512_20100209153045123.zip", true},
        {"Anna_20100512_x.zip", true},
        {"Anna_20100512_.ZIP", true},
        {"Anna_20100512_20100209153045123.zipx", false},
        {"Anna_20100512_20100209153045123.wav", false},
        {"anna_20100512_20100209153045123.zip", false},
        {"Anna_20100513_20100209153045123.zip", false},
        {"Anna_201005120_20100209153045123.zip", false},
        {"Anna_20100512.zip", false},
        {"Anna_20100512_zip", false},
        {"AnnaB_20100512_1.zip", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordFileMatches(c.file, "Anna", "20100512"), c.matches) << c.file;
    }
    EXPECT_TRUE(RecordFileMatches("Mary_Ann_20100512_1.zip", "Mary_Ann", "20100512"));
}

TEST(RecordNameTest, MotherKeyAndItsSplitUseTheLastSeparator) {
    EXPECT_EQ(MotherKey("Mary_Ann_20100512_20100209153045123.zip"), "Mary_Ann_20100512");
    EXPECT_EQ(MotherKey("old.zip"), "");
    EXPECT_EQ(MotherKey("foo_bar.zip"), "foo");

    const MotherKeyParts mary = SplitMotherKey("Mary_Ann_20100512");
    EXPECT_EQ(mary.name, "Mary_Ann");
    EXPECT_EQ(mary.edcDigits, "20100512");
    const MotherKeyParts foo = SplitMotherKey("foo");
    EXPECT_EQ(foo.name, "foo");
    EXPECT_EQ(foo.edcDigits, "");
    EXPECT_EQ(SplitMotherKey("").name, "");
}

TEST(RecordNameTest, EdcDateTextCutsPiecesAtTheEnd) {
    EXPECT_EQ(EdcDateText("20100512"), "2010-05-12");
    EXPECT_EQ(EdcDateText(""), "--");
    EXPECT_EQ(EdcDateText("201"), "201--");
    EXPECT_EQ(EdcDateText("201005"), "2010-05-");
    EXPECT_EQ(EdcDateText("2010051"), "2010-05-1");
    EXPECT_EQ(EdcDateText("2010051299"), "2010-05-12");
}

TEST(RecordNameTest, StampPiecesReadLikeAtoi) {
    const RecordStamp full = ParseRecordStamp("Anna_20100512_20100209153045123.zip");
    EXPECT_EQ(full.year, 2010);
    EXPECT_EQ(full.month, 2);
    EXPECT_EQ(full.day, 9);
    EXPECT_EQ(full.hour, 15);
    EXPECT_EQ(full.minute, 30);
    EXPECT_EQ(full.second, 45);

    const RecordStamp odd = ParseRecordStamp("Anna_20100512_20x.zip");  // "20x." then ".zip"
    EXPECT_EQ(odd.year, 20);
    EXPECT_EQ(odd.month, 0);  // "zi"
    EXPECT_EQ(odd.day, 0);    // "p"
    EXPECT_EQ(odd.hour, 0);   // beyond the end

    const RecordStamp whole = ParseRecordStamp("2010020912");  // no "_": the whole name
    EXPECT_EQ(whole.year, 2010);
    EXPECT_EQ(whole.day, 9);
    EXPECT_EQ(whole.hour, 12);

    EXPECT_EQ(DecimalPiece(" -5x", 0, 4), -5);
    EXPECT_EQ(DecimalPiece("+7", 0, 2), 7);
    EXPECT_EQ(DecimalPiece("12", 5, 2), 0);
}

TEST(RecordNameTest, CheckRecordNameRejectsNamesNoFileCanCarry) {
    struct Case {
        std::string name;
        std::string edc;
        NameProblem problem;
    } const cases[] = {
        {"Anna", "2010-05-12", NameProblem::None},
        {"Mary_Ann", "2010-05-12", NameProblem::None},
        {"A/B", "2010-05-12", NameProblem::Separator},
        {"A\\B", "2010-05-12", NameProblem::Separator},
        {"Anna", "2010/05/12", NameProblem::Separator},
        {"A\tB", "2010-05-12", NameProblem::ControlCharacter},
        {std::string("A\0B", 3), "2010-05-12", NameProblem::ControlCharacter},
        {"A\x7F", "2010-05-12", NameProblem::ControlCharacter},
        {"Anna", "2010-05-12\n", NameProblem::ControlCharacter},
        {".", "2010-05-12", NameProblem::DotName},
        {"..", "2010-05-12", NameProblem::DotName},
        {"...", "2010-05-12", NameProblem::None},
        // 255 bytes: name + "_" + 8 + "_" + 17 + ".zip" = name + 31
        {std::string(224, 'a'), "2010-05-12", NameProblem::None},
        {std::string(225, 'a'), "2010-05-12", NameProblem::TooLong},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckRecordName(c.name, c.edc), c.problem) << c.name << " " << c.edc;
    }
}

TEST_F(FolderTest, NextFreeRecordPathNeverTakesAnExistingName) {
    const auto time = Time(2010, 2, 9, 9, 5, 3, 7);
    EXPECT_EQ(NextFreeRecordPath({}, "Anna", "2010-05-12", time),
              fs::path("Data/Anna_20100512_20100209090503007.zip"));

    Touch("Data/Anna_20100512_20100209090503007.zip");
    Touch("Data/Anna_20100512_20100209090503008.zip");
    EXPECT_EQ(NextFreeRecordPath({}, "Anna", "2010-05-12", time),
              fs::path("Data/Anna_20100512_20100209090503009.zip"));

    // Carries through seconds, minutes, hours, days, months and a year.
    Touch("Data/Anna_20100512_20101231235959999.zip");
    EXPECT_EQ(NextFreeRecordPath({}, "Anna", "2010-05-12", Time(2010, 12, 31, 23, 59, 59, 999)),
              fs::path("Data/Anna_20100512_20110101000000000.zip"));
    Touch("Data/Anna_20100512_20120228235959999.zip");
    EXPECT_EQ(NextFreeRecordPath({}, "Anna", "2010-05-12", Time(2012, 2, 28, 23, 59, 59, 999)),
              fs::path("Data/Anna_20100512_20120229000000000.zip"));
}

TEST_F(FolderTest, ListRecordFilesFindsOnlyTheMothersRecords) {
    EXPECT_TRUE(ListRecordFiles("Data", "Anna", "2010-05-12").empty());

    for (const char* file :
         {"Anna_20100512_20100209153045123.zip", "Anna_20100512_x.zip",
          "Anna_20100512_20100301101010000.ZIP", "Anna_20100513_20100209153045123.zip",
          "Anna_20100512_20100209153045123.hr", "Bella_20100512_20100209153045123.zip"}) {
        Touch(fs::path("Data") / file);
    }
    fs::create_directories("Data/Anna_20100512_folder.zip");

    EXPECT_EQ(
        Sorted(ListRecordFiles("Data", "Anna", "2010-05-12")),
        (std::vector<std::string>{"Anna_20100512_20100209153045123.zip",
                                  "Anna_20100512_20100301101010000.ZIP", "Anna_20100512_x.zip"}));
    EXPECT_TRUE(ListRecordFiles("Data", "Anna", "").empty());
}

}  // namespace
}  // namespace marulo::archive
