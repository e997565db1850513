// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordEvents.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "archive/RecordArchive.h"
#include "archive/RecordFiles.h"
#include "platform/Zip.h"
#include "tests/support/TempFolder.h"

namespace marulo::archive {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Items = std::vector<std::pair<std::string, std::string>>;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class RecordEventsTest : public ::testing::Test {
protected:
    fs::path MakeArchive(const Items& items) {
        const fs::path archive = m_folder / "Anna_20100512_20100209153045123.zip";
        platform::ZipWriter writer;
        EXPECT_TRUE(writer.Create(archive));
        int n = 0;
        for (const auto& [name, content] : items) {
            const fs::path source = m_folder / ("item" + std::to_string(n++));
            WriteAll(source, content);
            EXPECT_TRUE(writer.AddFile(name, source));
        }
        EXPECT_TRUE(writer.Close());
        return archive;
    }

    // Every item of the archive as (name, content), in order.
    static Items ItemsOf(const fs::path& archive) {
        platform::ZipReader zip;
        EXPECT_TRUE(zip.Open(archive));
        Items items;
        for (int i = 0; i < zip.ItemCount(); ++i) {
            std::vector<unsigned char> bytes;
            EXPECT_EQ(zip.ReadItem(i, platform::kNoByteLimit, bytes),
                      platform::ZipItemResult::Done);
            items.emplace_back(zip.ItemName(i), std::string(bytes.begin(), bytes.end()));
        }
        return items;
    }

    std::vector<std::string> FolderFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder.Path())) {
            if (!entry.path().filename().string().starts_with("item")) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    testing::TempFolder m_folder{"events"};
    const std::string m_audio = "RIFF" + std::string(4000, 'a');
    const std::string m_trace = "\x8C\0\0\0\x8D\0\0\0\x8E\0\0\0"s;
};

TEST(RecordEventsCodingTest, MarksReadBackOrRefuseDamage) {
    struct Case {
        std::string text;
        EventsProblem problem;
        std::vector<std::uint32_t> marks;
    } const cases[] = {
        {"", EventsProblem::None, {}},
        {"0\n5\n345599\n", EventsProblem::None, {0, 5, 345599}},
        {"5\n5\n", EventsProblem::MarksDamaged, {}},         // not distinct
        {"7\n3\n", EventsProblem::MarksDamaged, {}},         // not ascending
        {"3", EventsProblem::MarksDamaged, {}},              // cut short
        {"\n", EventsProblem::MarksDamaged, {}},             // empty line
        {"-1\n", EventsProblem::MarksDamaged, {}},           // negative
        {"1 \n", EventsProblem::MarksDamaged, {}},           // trailing junk
        {"345600\n", EventsProblem::MarksDamaged, {}},       // beyond any record
        {"99999999999\n", EventsProblem::MarksDamaged, {}},  // beyond 32 bits
    };
    for (const Case& c : cases) {
        std::vector<std::uint32_t> marks{42};
        EXPECT_EQ(DecodeMarks(c.text, marks), c.problem) << c.text;
        if (c.problem == EventsProblem::None) {
            EXPECT_EQ(marks, c.marks) << c.text;
            EXPECT_EQ(EncodeMarks(marks), c.text);
        }
    }
    EXPECT_EQ(TidyMarks({9, 3, 3, 12, 0}, 10), (std::vector<std::uint32_t>{0, 3, 9}));
}

TEST(RecordEventsCodingTest, NotesAreBoundedUtf8WithoutControls) {
    struct Case {
        std::string note;
        bool valid;
    } const cases[] = {
        {"", true},
        {"Baby kicked twice\nafter dinner\t(happy)", true},
        {"Bébé bouge \xE5\xAE\x9D\xE5\xAE\x9D \xF0\x9F\x98\x80", true},
        {std::string(kMaxNoteBytes, 'x'), true},
        {std::string(kMaxNoteBytes + 1, 'x'), false},
        {"a\0b"s, false},
        {"bell\a", false},
        {"carriage\rreturn", false},
        {"del\x7F", false},
        {"\xC3", false},              // cut sequence
        {"\xC0\xAF", false},          // overlong
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
        {"\xFF", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidNote(c.note), c.valid) << c.note;
    }
}

TEST_F(RecordEventsTest, EventsAreAddedEditedAndReadBesideTheUntouchedRecord) {
    const fs::path archive = MakeArchive({{"Data.wav", m_audio}, {"Data.hr", m_trace}});
    RecordEvents events;
    EXPECT_EQ(ReadRecordEvents(archive, events), EventsProblem::None);
    EXPECT_EQ(events, RecordEvents{});

    const RecordEvents stored{{1, 2}, "Baby moved a lot \xE5\xAE\x9D"};
    ASSERT_EQ(WriteRecordEvents(archive, stored), EventsProblem::None);
    EXPECT_EQ(ReadRecordEvents(archive, events), EventsProblem::None);
    EXPECT_EQ(events, stored);

    // Review edits the note; the marks stay, and the audio and trace are byte for byte the same.
    ASSERT_EQ(WriteRecordNote(archive, "calmer today"), EventsProblem::None);
    EXPECT_EQ(ReadRecordEvents(archive, events), EventsProblem::None);
    EXPECT_EQ(events, (RecordEvents{{1, 2}, "calmer today"}));
    EXPECT_EQ(ItemsOf(archive), (Items{{"Data.wav", m_audio},
                                       {"Data.hr", m_trace},
                                       {"Marks.txt", "1\n2\n"},
                                       {"Note.txt", "calmer today"}}));
    // An emptied note leaves its item out; no scratch file stays behind.
    ASSERT_EQ(WriteRecordNote(archive, ""), EventsProblem::None);
    EXPECT_EQ(ItemsOf(archive).size(), 3U);
    EXPECT_EQ(FolderFiles(), std::vector<std::string>{archive.filename().string()});

    // The reader that knows only the audio and the trace loads the record as before.
    RecordArchive reader;
    ASSERT_EQ(reader.Open(archive), RecordProblem::None);
    std::vector<std::int32_t> trace;
    EXPECT_EQ(reader.ReadTrace(trace), RecordProblem::None);
    EXPECT_EQ(trace, (std::vector<std::int32_t>{140, 141, 142}));
    const testing::TempFolder work("events-work");
    const LoadedRecord loaded = UnpackRecord(archive, work);
    EXPECT_EQ(loaded.problem, RecordProblem::None);
    EXPECT_EQ(ReadAll(work / "Data.wav"), m_audio);
}

TEST_F(RecordEventsTest, DamageIsRefusedWithItsReason) {
    struct Case {
        const char* what;
        Items extra;
        EventsProblem problem;
        std::vector<std::uint32_t> marksKept;
    } const cases[] = {
        {"marks out of order", {{"Marks.txt", "9\n2\n"}}, EventsProblem::MarksDamaged, {}},
        {"note too long",
         {{"Note.txt", std::string(kMaxNoteBytes + 1, 'n')}},
         EventsProblem::NoteDamaged,
         {}},
        {"note not UTF-8",
         {{"Marks.txt", "4\n"}, {"Note.txt", "\xFF"}},
         EventsProblem::NoteDamaged,
         {4}},
    };
    for (const Case& c : cases) {
        Items items{{"Data.wav", m_audio}, {"Data.hr", m_trace}};
        items.insert(items.end(), c.extra.begin(), c.extra.end());
        const fs::path archive = MakeArchive(items);
        RecordEvents events;
        EXPECT_EQ(ReadRecordEvents(archive, events), c.problem) << c.what;
        EXPECT_EQ(events.marks, c.marksKept) << c.what;
        // A new note replaces a damaged one; damaged marks are never dropped by it.
        const EventsProblem rewrite = WriteRecordNote(archive, "new");
        EXPECT_EQ(rewrite,
                  c.problem == EventsProblem::NoteDamaged ? EventsProblem::None : c.problem)
            << c.what;
    }
    RecordEvents none;
    EXPECT_EQ(ReadRecordEvents(m_folder / "absent.zip", none), EventsProblem::Unreadable);
    EXPECT_EQ(WriteRecordNote(m_folder / "absent.zip", "x"), EventsProblem::Unreadable);
}

TEST_F(RecordEventsTest, AFailedRewriteLeavesTheRecordAsItWas) {
    const fs::path archive = MakeArchive({{"Data.wav", m_audio}, {"Data.hr", m_trace}});
    const std::string before = ReadAll(archive);
    EXPECT_EQ(WriteRecordNote(archive, "bad\x01"), EventsProblem::NoteInvalid);
    EXPECT_EQ(ReadAll(archive), before);

    // Audio whose stored data no longer matches its checksum is never copied into a new archive.
    std::string damaged = before;
    ASSERT_TRUE(damaged.starts_with("PK\x03\x04"));
    const auto nameBytes = static_cast<unsigned char>(damaged[26]);
    const auto extraBytes = static_cast<unsigned char>(damaged[28]);
    damaged[30 + nameBytes + extraBytes + 2] ^= 0x55;
    WriteAll(archive, damaged);
    EXPECT_EQ(WriteRecordNote(archive, "a note"), EventsProblem::Unreadable);
    EXPECT_EQ(ReadAll(archive), damaged);
    EXPECT_EQ(FolderFiles(), std::vector<std::string>{archive.filename().string()});
}

TEST_F(RecordEventsTest, AKillDuringTheRewriteLeavesTheOldOrTheNewRecordWhole) {
    // Noise does not compress, so ten minutes of it take the rewrite long enough to be killed
    // at every stage of it.
    std::string audio(std::size_t{16000} * 600, '\0');
    std::uint32_t state = 1;
    for (char& byte : audio) {
        state = state * 1664525U + 1013904223U;
        byte = static_cast<char>(state >> 24);
    }
    for (const int killAfterMs : {0, 30, 150, 500}) {
        SCOPED_TRACE(killAfterMs);
        const fs::path archive = MakeArchive({{"Data.wav", audio}, {"Data.hr", m_trace}});
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::_exit(WriteRecordNote(archive, "kicks") == EventsProblem::None ? 0 : 1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const Items items = ItemsOf(archive);
        ASSERT_GE(items.size(), 2U);
        EXPECT_TRUE(items[0] == (std::pair{"Data.wav"s, audio}));
        EXPECT_EQ(items[1], (std::pair{"Data.hr"s, m_trace}));
        RecordEvents events;
        EXPECT_EQ(ReadRecordEvents(archive, events), EventsProblem::None);
        EXPECT_TRUE(events.note.empty() || events.note == "kicks") << events.note;
        // A kill leaves scratch files beside it, never named like a record; the next rewrite
        // reuses and removes them.
        ASSERT_EQ(WriteRecordNote(archive, "again"), EventsProblem::None);
        EXPECT_EQ(FolderFiles(), std::vector<std::string>{archive.filename().string()});
    }
}

}  // namespace
}  // namespace marulo::archive
