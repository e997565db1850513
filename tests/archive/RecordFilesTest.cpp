// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordFiles.h"

#include <gtest/gtest.h>

#include <atomic>
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
        // The writer refuses two items of one name, so duplicates are stored as "DupN.*" and
        // renamed in place ("Dup0.wav" and "Data.wav" have the same length).
        std::string bytes = ReadAll(archive);
        for (const auto& [from, to] :
             {std::pair{"Dup0.wav"s, "Data.wav"s}, {"Dup1.hr"s, "Data.hr"s}}) {
            for (auto at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at)) {
                bytes.replace(at, from.size(), to);
            }
        }
        WriteAll(archive, bytes);
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
    const RecordFiles files = UnpackRecord(archive, {}).files;
    EXPECT_EQ(files.audioPath, "Data.wav");
    EXPECT_EQ(files.tracePath, "Data.hr");
    EXPECT_EQ(ReadAll("Data.wav"), "RIFF-audio");
    EXPECT_EQ(recordformat::ReadTrace(files.tracePath), std::vector<std::int32_t>{135});
}

// Only the first top-level items named exactly "Data.wav" and "Data.hr" make the record; folder
// entries, look-alike names and later duplicates are ignored, and nothing else is written.
TEST_F(RecordFilesTest, OnlyFirstExactTopLevelItemsCount) {
    struct Case {
        std::string label;
        std::vector<std::pair<std::string, std::string>> items;
        std::string audio;  // expected content of Data.wav; empty: no audio
        std::string trace;  // expected content of Data.hr; empty: no trace
    };
    const std::vector<Case> cases = {
        {"duplicates",
         {{"Data.wav", "first"},
          {"Data.hr", "\1\0\0\0"s},
          {"Dup0.wav", "late"},
          {"Dup1.hr", "\2\0\0\0"s}},
         "first",
         "\1\0\0\0"s},
        {"folder entry",
         {{"Data.hr", "\5\0\0\0"s}, {"sub/", ""}, {"Data.wav", "a"}},
         "a",
         "\5\0\0\0"s},
        {"look-alikes",
         {{"__MACOSX/._Data.wav", "junk"},
          {"DATA.WAV", "upper"},
          {"sub/Data.hr", "\x09\0\0\0"s},
          {"x.wav", "other"},
          {"Data.wav", "real"},
          {"Data.hr", "\7\0\0\0"s}},
         "real",
         "\7\0\0\0"s},
        {"escapes",
         {{"../Data.wav", "evil"},
          {"/tmp/Data.hr", "evil"},
          {"Conf.ini", "evil"},
          {"Data.wav", "good"},
          {"Data.hr", "\3\0\0\0"s}},
         "good",
         "\3\0\0\0"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        WriteAll("Conf.ini", "[Message]\n");
        const RecordFiles files = UnpackRecord(MakeArchive(c.items), {}).files;
        EXPECT_EQ(files.audioPath, "Data.wav");
        EXPECT_EQ(files.tracePath, "Data.hr");
        EXPECT_EQ(ReadAll("Data.wav"), c.audio);
        EXPECT_EQ(ReadAll("Data.hr"), c.trace);
        EXPECT_EQ(ReadAll("Conf.ini"), "[Message]\n");
        EXPECT_FALSE(fs::exists(m_parent / "Data.wav"));
        EXPECT_FALSE(fs::exists("sub"));
        EXPECT_FALSE(fs::exists("DATA.WAV"));
    }
}

// A record missing one item loads the other and says which part is missing.
TEST_F(RecordFilesTest, MissingItemIsNamedAndTheOtherLoads) {
    const LoadedRecord noTrace = UnpackRecord(MakeArchive({{"Data.wav", "audio"}}), {});
    EXPECT_EQ(noTrace.problem, RecordProblem::NoTrace);
    EXPECT_EQ(noTrace.files.audioPath, "Data.wav");
    EXPECT_TRUE(noTrace.files.tracePath.empty());
    EXPECT_FALSE(fs::exists("Data.hr"));

    const LoadedRecord noAudio = UnpackRecord(MakeArchive({{"Data.hr", "\x78\0\0\0"s}}), {});
    EXPECT_EQ(noAudio.problem, RecordProblem::NoAudio);
    EXPECT_TRUE(noAudio.files.audioPath.empty());
    EXPECT_EQ(noAudio.trace, std::vector<std::int32_t>{120});
    EXPECT_FALSE(fs::exists("Data.wav"));
}

// Archives that are no record fail as a whole: no working file, no temporary file is left.
TEST_F(RecordFilesTest, DamagedArchivesFailWholeAndLeaveNoFiles) {
    const std::string zeros(200000, '\0');
    const fs::path good = MakeArchive({{"Data.wav", zeros}, {"Data.hr", zeros}});
    const std::string goodBytes = ReadAll(good);
    std::string corrupted = goodBytes;
    // The first item's data follows its 30-byte local header, its name and its extra field.
    const auto field = [&](std::size_t at) {
        return static_cast<unsigned char>(goodBytes[at]) |
               static_cast<unsigned char>(goodBytes[at + 1]) << 8;
    };
    const std::size_t data = 30 + field(26) + field(28);
    for (std::size_t at = data + 4; at < data + 8; ++at) {
        corrupted[at] = static_cast<char>(corrupted[at] ^ 0x55);
    }
    WriteAll(m_sources / "corrupted.zip", corrupted);
    WriteAll(m_sources / "truncated.zip", goodBytes.substr(0, goodBytes.size() / 2));
    WriteAll(m_sources / "empty.zip", "");
    WriteAll(m_sources / "garbage.zip", "PK\3\4 this is not an archive");
    const fs::path noItems = MakeArchive({{"readme.txt", "hello"}});

    for (const fs::path& archive :
         {m_sources / "corrupted.zip", m_sources / "truncated.zip", m_sources / "empty.zip",
          m_sources / "garbage.zip", m_sources / "missing.zip", noItems}) {
        SCOPED_TRACE(archive.string());
        WriteAll("Data.wav", "old audio");
        WriteAll("Data.hr", "old trace");
        const LoadedRecord loaded = UnpackRecord(archive, {});
        EXPECT_EQ(loaded.problem, RecordProblem::Unreadable);
        EXPECT_TRUE(loaded.files.audioPath.empty());
        EXPECT_TRUE(loaded.files.tracePath.empty());
        EXPECT_TRUE(loaded.trace.empty());
        EXPECT_FALSE(fs::exists("Data.wav"));
        EXPECT_FALSE(fs::exists("Data.hr"));
        EXPECT_FALSE(fs::exists("Data.wav.part"));
        EXPECT_FALSE(fs::exists("Data.hr.part"));
    }
}

// Size limits hold for the sizes the archive declares and for the bytes it really inflates to.
TEST_F(RecordFilesTest, ItemsBeyondTheirLimitsAreRefused) {
    const std::string zeros(300000, '\0');
    const fs::path archive = MakeArchive({{"Data.wav", zeros}, {"Data.hr", zeros}});
    RecordArchive record;
    ASSERT_EQ(record.Open(archive), RecordProblem::None);

    std::vector<unsigned char> bytes;
    EXPECT_EQ(record.ReadTraceBytes(bytes, zeros.size() - 1), RecordProblem::TooLarge);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(record.ReadTraceBytes(bytes, zeros.size()), RecordProblem::None);
    EXPECT_EQ(bytes.size(), zeros.size());

    EXPECT_EQ(record.ExtractAudio("Data.wav", nullptr, zeros.size() - 1), RecordProblem::TooLarge);
    EXPECT_FALSE(fs::exists("Data.wav"));
    EXPECT_FALSE(fs::exists("Data.wav.part"));

    const std::atomic<bool> stop{true};
    EXPECT_EQ(record.ExtractAudio("Data.wav", &stop), RecordProblem::Cancelled);
    EXPECT_FALSE(fs::exists("Data.wav"));
    EXPECT_FALSE(fs::exists("Data.wav.part"));

    EXPECT_EQ(record.ExtractAudio("Data.wav"), RecordProblem::None);
    EXPECT_EQ(fs::file_size("Data.wav"), zeros.size());
    EXPECT_FALSE(fs::exists("Data.wav.part"));
}

// An archive whose directory claims a small size but whose data inflates to more is still
// stopped at the limit.
TEST_F(RecordFilesTest, LyingDeclaredSizeIsCaughtWhileReading) {
    const std::string zeros(300000, '\0');
    const fs::path archive = MakeArchive({{"Data.hr", zeros}});
    std::string bytes = ReadAll(archive);
    // Rewrite the uncompressed size in the central directory entry (offset 24 after its
    // signature) to 4 bytes.
    const std::size_t central = bytes.find("PK\1\2");
    ASSERT_NE(central, std::string::npos);
    bytes.replace(central + 24, 4, "\4\0\0\0"s);
    WriteAll(archive, bytes);

    RecordArchive record;
    ASSERT_EQ(record.Open(archive), RecordProblem::None);
    std::vector<unsigned char> content;
    const RecordProblem problem = record.ReadTraceBytes(content, 1000);
    EXPECT_TRUE(problem == RecordProblem::TooLarge || problem == RecordProblem::Unreadable);
    EXPECT_TRUE(content.empty());
}

// Audio far longer than its trace is a bomb or a damaged record, whatever size the archive
// declares: unpacking stops at the longest audio the trace allows and leaves nothing behind.
TEST_F(RecordFilesTest, AudioLongerThanItsTraceAllowsIsRefusedAsDamaged) {
    const std::string audio(300000, '\0');  // 18.7 s after its header
    struct Case {
        const char* why;
        std::size_t traceSeconds;
        bool understated;
        RecordProblem problem;
    };
    const Case cases[] = {
        {"trace of 14 s", 14, false, RecordProblem::None},
        {"trace of 1 s", 1, false, RecordProblem::Unreadable},
        {"trace of 1 s, size understated", 1, true, RecordProblem::Unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const fs::path archive =
            MakeArchive({{"Data.wav", audio}, {"Data.hr", std::string(4 * c.traceSeconds, '\1')}});
        if (c.understated) {
            std::string bytes = ReadAll(archive);
            bytes.replace(bytes.find("PK\1\2") + 24, 4, "\x40\0\0\0"s);
            WriteAll(archive, bytes);
        }
        const LoadedRecord loaded = UnpackRecord(archive, {});
        EXPECT_EQ(loaded.problem, c.problem);
        EXPECT_EQ(fs::exists("Data.wav"), c.problem == RecordProblem::None);
        EXPECT_FALSE(fs::exists("Data.wav.part"));
    }
}

TEST_F(RecordFilesTest, WorkingFilesCannotBeWritten) {
    fs::create_directories("Data.hr.part");
    const LoadedRecord loaded =
        UnpackRecord(MakeArchive({{"Data.wav", "audio"}, {"Data.hr", "\1\0\0\0"s}}), {});
    EXPECT_EQ(loaded.problem, RecordProblem::WriteFailed);
    EXPECT_FALSE(fs::exists("Data.wav"));
    EXPECT_FALSE(fs::exists("Data.hr"));
}

TEST_F(RecordFilesTest, LoadingTheSameRecordTwiceGivesTheSameContent) {
    const std::string trace = "\x78\0\0\0\x8c\0\0\0\0\0\0\0"s;
    const auto archive = MakeArchive({{"Data.wav", "audio bytes"}, {"Data.hr", trace}});
    const RecordFiles first = UnpackRecord(archive, {}).files;
    const auto firstTrace = recordformat::ReadTrace(first.tracePath);
    const RecordFiles second = UnpackRecord(archive, {}).files;
    EXPECT_EQ(first.audioPath, second.audioPath);
    EXPECT_EQ(first.tracePath, second.tracePath);
    EXPECT_EQ(ReadAll("Data.wav"), "audio bytes");
    EXPECT_EQ(ReadAll("Data.hr"), trace);
    EXPECT_EQ(recordformat::ReadTrace(second.tracePath), firstTrace);
    EXPECT_EQ(firstTrace, (std::vector<std::int32_t>{120, 140, 0}));
}

}  // namespace
}  // namespace marulo::archive
