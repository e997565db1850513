// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "archive/RecordEvents.h"
#include "platform/Zip.h"
#include "session/RecordStore.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TempFolder.h"

namespace marulo::session {
namespace {

namespace fs = std::filesystem;

class RecordStoreTest : public ::testing::Test {
protected:
    static void WriteArchive(const std::string& content) {
        std::ofstream("Data.zip", std::ios::binary) << content;
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    const platform::LocalTime m_time{2010, 2, 9, 9, 5, 3, 7};
    testing::TempFolder m_folder{"store", testing::TempFolder::Current::Enter};
};

TEST_F(RecordStoreTest, MovesTheArchiveUnderItsRecordName) {
    WriteArchive("first");
    const StoreOutcome outcome = StoreWorkingArchive({}, "Data.zip", "Anna", "2010-05-12", m_time);
    EXPECT_EQ(outcome.result, StoreResult::Stored);
    EXPECT_EQ(outcome.path, fs::path("Data/Anna_20100512_20100209090503007.zip"));
    EXPECT_EQ(Read(outcome.path), "first");
    EXPECT_FALSE(fs::exists("Data.zip"));
}

// A record folder on another file system, mounted there or linked to, takes the record whole.
TEST_F(RecordStoreTest, ARecordFolderOnAnotherFileSystemTakesTheRecord) {
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "link" : "mount");
        std::error_code ignored;
        fs::remove("Data", ignored);  // the mount point of the case before
        const fs::path mountPoint = linked ? m_folder / "elsewhere" : m_folder / "Data";
        testing::SmallDisk disk(mountPoint, 1024 * 1024);
        if (!disk.Mounted()) {
            GTEST_SKIP() << "mounting a second file system needs root";
        }
        if (linked) {
            fs::create_directory_symlink(mountPoint, "Data");
        }
        WriteArchive("record");
        const StoreOutcome outcome =
            StoreWorkingArchive({}, "Data.zip", "Anna", "2010-05-12", m_time);
        EXPECT_EQ(outcome.result, StoreResult::Stored);
        EXPECT_EQ(Read(outcome.path), "record");
        EXPECT_FALSE(fs::exists("Data.zip"));
        EXPECT_EQ(std::distance(fs::directory_iterator(mountPoint), fs::directory_iterator()), 1);
        fs::remove(outcome.path, ignored);
    }
}

TEST_F(RecordStoreTest, TwoStoresInOneMillisecondKeepBothRecords) {
    WriteArchive("first");
    const StoreOutcome first = StoreWorkingArchive({}, "Data.zip", "Anna", "2010-05-12", m_time);
    WriteArchive("second");
    const StoreOutcome second = StoreWorkingArchive({}, "Data.zip", "Anna", "2010-05-12", m_time);
    ASSERT_EQ(second.result, StoreResult::Stored);
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(second.path, fs::path("Data/Anna_20100512_20100209090503008.zip"));
    EXPECT_EQ(Read(first.path), "first");
    EXPECT_EQ(Read(second.path), "second");
}

TEST_F(RecordStoreTest, UnusableNamesAndFailedMovesKeepTheRecordAside) {
    struct Case {
        const char* why;
        std::string name;
        bool dataIsAFile;
    };
    const Case cases[] = {
        {"separator", "a/b", false},
        {"dot name", "..", false},
        {"too long", std::string(300, 'x'), false},
        {"record folder cannot be made", "Anna", true},
    };
    int stored = 0;
    for (const Case& c : cases) {
        fs::remove_all("Data");
        if (c.dataIsAFile) {
            std::ofstream("Data") << "not a folder";
        }
        WriteArchive(c.why);
        const StoreOutcome outcome =
            StoreWorkingArchive({}, "Data.zip", c.name, "2010-05-12", m_time);
        EXPECT_EQ(outcome.result, StoreResult::KeptAside) << c.why;
        EXPECT_EQ(Read(outcome.path), c.why);
        EXPECT_FALSE(fs::exists("Data.zip")) << c.why;
        ++stored;
        fs::remove_all("Data");
    }
    // Each went to its own unsaved name, so none replaced another.
    EXPECT_EQ(Read("Data-unsaved-20100209090503007.zip"), "separator");
    EXPECT_EQ(Read("Data-unsaved-20100209090503007-4.zip"), "record folder cannot be made");
    EXPECT_EQ(stored, 4);
}

TEST_F(RecordStoreTest, NothingToStoreWithoutAnArchive) {
    const StoreOutcome outcome = StoreWorkingArchive({}, "Data.zip", "Anna", "2010-05-12", m_time);
    EXPECT_EQ(outcome.result, StoreResult::NothingToStore);
    EXPECT_FALSE(fs::exists("Data-unsaved-20100209090503007.zip"));
}

TEST_F(RecordStoreTest, AFinishedRunIsStoredOrItsWorkingFilesAreKeptUnderFreeNames) {
    struct Case {
        const char* why;
        bool archive;      // packing succeeded
        bool dataIsAFile;  // the record folder cannot be made
        StoreResult result;
        const char* keptAs;  // the file that now holds the recording
    };
    const Case cases[] = {
        {"packed", true, false, StoreResult::Stored, "Data/Anna_20100512_20100209090503007.zip"},
        {"packing failed", false, false, StoreResult::KeptAside,
         "Data-unsaved-20100209090503007.wav"},
        {"packing failed again", false, false, StoreResult::KeptAside,
         "Data-unsaved-20100209090503007-2.wav"},
        {"folder is a file", true, true, StoreResult::KeptAside,
         "Data-unsaved-20100209090503007-3.zip"},
        {"nothing recorded", false, false, StoreResult::NothingToStore, ""},
        {"under one block", false, false, StoreResult::Discarded, ""},
    };
    // Working audio of more than a block, beginning with the case's text.
    const auto audio = [](const char* why) { return why + std::string(44 + 1600, ' '); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all("Data");
        if (c.dataIsAFile) {
            std::ofstream("Data") << "not a folder";
        }
        if (c.archive) {
            WriteArchive(c.why);
        } else if (c.result == StoreResult::Discarded) {
            std::ofstream("Data.wav", std::ios::binary) << std::string(44 + 1599, ' ');
            std::ofstream("Data.hr", std::ios::binary) << "trace";
        } else if (c.result != StoreResult::NothingToStore) {
            std::ofstream("Data.wav", std::ios::binary) << audio(c.why);
            std::ofstream("Data.hr", std::ios::binary) << "trace of " << c.why;
        }
        const StoreOutcome outcome =
            StoreFinishedRun({}, "Data.zip", "Data.wav", "Data.hr", "Anna", "2010-05-12", m_time);
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.path, fs::path(c.keptAs));
        EXPECT_FALSE(fs::exists("Data.wav"));
        EXPECT_FALSE(fs::exists("Data.zip"));
        if (c.result == StoreResult::NothingToStore || c.result == StoreResult::Discarded) {
            EXPECT_FALSE(fs::exists("Data.hr"));
            continue;
        }
        EXPECT_EQ(Read(outcome.path), c.archive ? c.why : audio(c.why));
        if (!c.archive) {
            fs::path trace = outcome.path;
            EXPECT_EQ(Read(trace.replace_extension(".hr")), std::string("trace of ") + c.why);
        }
    }
    // The first kept files were not replaced by the second.
    EXPECT_EQ(Read("Data-unsaved-20100209090503007.wav"), audio("packing failed"));
}

// The marks go into the packed archive before it is stored; where they cannot, the recording is
// kept all the same and the outcome says they were lost.
TEST_F(RecordStoreTest, TheRunsMarksAreStoredInItsArchiveOrReportedLost) {
    struct Case {
        const char* why;
        bool zip;  // packing made a real archive
        std::vector<std::uint32_t> marked;
        StoreResult result;
        std::vector<std::uint32_t> stored;
        bool lost;
    };
    const Case cases[] = {
        {"marked", true, {3, 7, 9}, StoreResult::Stored, {3, 7, 9}, false},
        {"in the cut second", true, {2, 10}, StoreResult::Stored, {2, 9}, false},
        {"cut second already marked", true, {9, 10}, StoreResult::Stored, {9}, false},
        {"no marks", true, {}, StoreResult::Stored, {}, false},
        {"archive unreadable", false, {1}, StoreResult::Stored, {}, true},
        {"packing failed", false, {1}, StoreResult::KeptAside, {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        fs::remove_all("Data");
        const std::string audio = c.why + std::string(44 + 1600, ' ');
        if (c.result == StoreResult::KeptAside) {
            std::ofstream("Data.wav", std::ios::binary) << audio;
            std::ofstream("Data.hr", std::ios::binary) << "trace";
        } else if (!c.zip) {
            WriteArchive(audio);
        } else {
            std::ofstream("item.wav", std::ios::binary) << audio;
            platform::ZipWriter writer;
            EXPECT_TRUE(writer.Create("Data.zip") && writer.AddFile("Data.wav", "item.wav") &&
                        writer.Close());
        }
        const StoreOutcome outcome = StoreFinishedRun({}, "Data.zip", "Data.wav", "Data.hr", "Anna",
                                                      "2010-05-12", m_time, RunMarks{c.marked, 10});
        EXPECT_EQ(outcome.result, c.result);
        EXPECT_EQ(outcome.marksLost, c.lost);
        if (c.zip) {
            archive::RecordEvents events;
            EXPECT_EQ(archive::ReadRecordEvents(outcome.path, events),
                      archive::EventsProblem::None);
            EXPECT_EQ(events.marks, c.stored);
        }
        fs::remove(outcome.path);
        fs::remove(fs::path(outcome.path).replace_extension(".hr"));
    }
}

}  // namespace
}  // namespace marulo::session
