// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/Zip.h"
#include "tests/support/TempFolder.h"

namespace marulo::archive {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Runs each test in a fresh "program folder" below a fresh parent, as the current directory.
class RecordFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_program);
        fs::create_directories(m_sources);
        m_previous = fs::current_path();
        fs::current_path(m_program);
    }
    void TearDown() override { fs::current_path(m_previous); }

    // Makes an archive of (stored name, content) items, in order, outside the program folder.
    fs::path MakeArchive(const std::vector<std::pair<std::string, std::string>>& items) {
        const fs::path archive = m_sources / ("record" + std::to_string(m_archives++) + ".zip");
        platform::ZipWriter writer;
        EXPECT_TRUE(writer.Create(archive));
        int n = 0;
        for (const auto& [name, content] : items) {
            const fs::path source = m_sources / ("item" + std::to_string(n++));
            WriteAll(source, content);
            EXPECT_TRUE(writer.AddFile(name, source));
        }
        EXPECT_TRUE(writer.Close());
        return archive;
    }

    testing::TempFolder m_parent{"records"};
    fs::path m_program = m_parent / "program";
    fs::path m_sources = m_parent / "sources";
    fs::path m_previous;
    int m_archives = 0;
};

TEST_F(RecordFilesTest, NormalRecordUnpacksIntoWorkingFiles) {
    const auto archive = MakeArchive({{"Data.wav", "RIFF-audio"}, {"Data.hr", "\x87\0\0\0"s}});
    const RecordFiles files = UnpackRecord(archive);
    EXPECT_EQ(files.audioPath, "Data.wav");
    EXPECT_EQ(files.tracePath, "Data.hr");
    EXPECT_EQ(ReadAll("Data.wav"), "RIFF-audio");
    EXPECT_EQ(ReadTrace(files.tracePath), std::vector<std::int32_t>{135});
}

// Whatever an item's stored name, it lands on the working name of its kind, inside the folder.
TEST_F(RecordFilesTest, StoredNamesNeverChooseWhereItemsAreWritten) {
    const fs::path absolute = m_parent / "outside.hr";
    struct Case {
        std::string storedName;
        bool audio;
        std::vector<fs::path> mustNotExist;
    };
    const std::vector<Case> cases = {
        {"DATA.WAV", true, {"DATA.WAV"}},
        {"Data", false, {"Data"}},
        {"../evil.wav", true, {m_parent / "evil.wav"}},
        {absolute.string(), false, {absolute}},
        {"sub/Data.wav", true, {"sub"}},
        {"Conf.ini", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedName);
        WriteAll("Conf.ini", "[Message]\n");
        const fs::path archive = MakeArchive({{c.storedName, "payload"}});
        platform::ZipReader stored;
        ASSERT_TRUE(stored.Open(archive));
        ASSERT_EQ(stored.ItemName(0), c.storedName);
        stored.Close();
        const RecordFiles files = UnpackRecord(archive);
        const std::string expected = c.audio ? "Data.wav" : "Data.hr";
        EXPECT_EQ(c.audio ? files.audioPath : files.tracePath, expected);
        EXPECT_TRUE((c.audio ? files.tracePath : files.audioPath).empty());
        EXPECT_EQ(ReadAll(expected), "payload");
        EXPECT_EQ(ReadAll("Conf.ini"), "[Message]\n");
        for (const fs::path& path : c.mustNotExist) {
            EXPECT_FALSE(fs::exists(path)) << path;
        }
    }
}

TEST_F(RecordFilesTest, LaterItemOfAKindReplacesEarlierOne) {
    const RecordFiles files = UnpackRecord(MakeArchive(
        {{"a.wav", "first"}, {"x.hr", "\1\0\0\0"s}, {"b.WAV", "second"}, {"y", "\2\0\0\0"s}}));
    EXPECT_EQ(files.audioPath, "Data.wav");
    EXPECT_EQ(ReadAll("Data.wav"), "second");
    EXPECT_EQ(ReadTrace(files.tracePath), std::vector<std::int32_t>{2});
}

TEST_F(RecordFilesTest, UnreadableArchiveGivesEmptyRecordAndRemovesOldWorkingFiles) {
    WriteAll(m_sources / "damaged.zip", "PK\3\4 this is not an archive");
    for (const fs::path& archive : {m_sources / "damaged.zip", m_sources / "missing.zip"}) {
        SCOPED_TRACE(archive.string());
        WriteAll("Data.wav", "old audio");
        WriteAll("Data.hr", "old trace");
        const RecordFiles files = UnpackRecord(archive);
        EXPECT_TRUE(files.audioPath.empty());
        EXPECT_TRUE(files.tracePath.empty());
        EXPECT_FALSE(fs::exists("Data.wav"));
        EXPECT_FALSE(fs::exists("Data.hr"));
    }
}

TEST_F(RecordFilesTest, LoadingTheSameRecordTwiceGivesTheSameContent) {
    const std::string trace = "\x78\0\0\0\x8c\0\0\0\0\0\0\0"s;
    const auto archive = MakeArchive({{"Data.wav", "audio bytes"}, {"Data.hr", trace}});
    const RecordFiles first = UnpackRecord(archive);
    const auto firstTrace = ReadTrace(first.tracePath);
    const RecordFiles second = UnpackRecord(archive);
    EXPECT_EQ(first.audioPath, second.audioPath);
    EXPECT_EQ(first.tracePath, second.tracePath);
    EXPECT_EQ(ReadAll("Data.wav"), "audio bytes");
    EXPECT_EQ(ReadAll("Data.hr"), trace);
    EXPECT_EQ(ReadTrace(second.tracePath), firstTrace);
    EXPECT_EQ(firstTrace, (std::vector<std::int32_t>{120, 140, 0}));
}

TEST(AudioItemTest, ExtensionFromLastDotInAnyCase) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"Data.wav", true}, {"DATA.WAV", true},   {"x.WaV", true}, {".wav", true},
        {"Data.hr", false}, {"Data", false},      {"wav", false},  {"a.wav.hr", false},
        {"a.wave", false},  {"dir.wav/x", false}, {"", false},     {"a.", false},
    };
    for (const auto& [name, audio] : cases) {
        EXPECT_EQ(IsAudioItem(name), audio) << name;
    }
}

TEST_F(RecordFilesTest, TraceIsWholeLittleEndianValues) {
    const std::string bytes = "\x87\0\0\0\xff\xff\xff\xff\x01\x02\x03\x04"s;
    const std::vector<std::pair<std::size_t, std::vector<std::int32_t>>> cases = {
        {0, {}}, {3, {}}, {4, {135}}, {7, {135}}, {8, {135, -1}}, {12, {135, -1, 0x04030201}},
    };
    for (const auto& [size, expected] : cases) {
        SCOPED_TRACE(size);
        WriteAll("trace", bytes.substr(0, size));
        EXPECT_EQ(ReadTrace("trace"), expected);
    }
    EXPECT_TRUE(ReadTrace("no such trace").empty());
}

}  // namespace
}  // namespace marulo::archive
