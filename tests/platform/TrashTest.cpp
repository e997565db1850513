// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Trash.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/TempFolder.h"

namespace marulo::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

fs::path InfoFile(const TrashedFile& trashed) {
    fs::path info =
        trashed.inTrash.parent_path().parent_path() / "info" / trashed.inTrash.filename();
    info += ".trashinfo";
    return info;
}

// A private desktop trash below a fresh data folder, on the same file system as the records.
class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_DATA_HOME", m_home.Path().c_str(), 1);
        fs::create_directories(m_data);
    }
    void TearDown() override { ::unsetenv("XDG_DATA_HOME"); }

    fs::path Record(const std::string& name, const std::string& content) const {
        const fs::path path = m_data / name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    testing::TempFolder m_home{"trash-home"};
    testing::TempFolder m_work{"trash-work"};
    const fs::path m_data = m_work / "Data";
};

TEST_F(TrashTest, ARecordGoesToTheTrashAndComesBack) {
    const fs::path record = Record("Anna_20100512_20100209153045123.zip", "audio and trace");
    const TrashResult trashed = MoveToTrash(record);
    ASSERT_EQ(trashed.problem, TrashProblem::None);
    EXPECT_FALSE(fs::exists(record));
    EXPECT_EQ(trashed.file.original, record);
    EXPECT_EQ(trashed.file.inTrash.parent_path(), m_home / "Trash" / "files");
    EXPECT_EQ(ReadAll(trashed.file.inTrash), "audio and trace");
    // The desktop lists it with its old place, so the file manager can bring it back too.
    EXPECT_NE(ReadAll(InfoFile(trashed.file)).find("Path="), std::string::npos);

    EXPECT_EQ(RestoreFromTrash(trashed.file), RestoreProblem::None);
    EXPECT_EQ(ReadAll(record), "audio and trace");
    EXPECT_FALSE(fs::exists(trashed.file.inTrash));
    EXPECT_FALSE(fs::exists(InfoFile(trashed.file)));
    // Undone twice: the second finds nothing in the trash and leaves the record alone.
    EXPECT_EQ(RestoreFromTrash(trashed.file), RestoreProblem::GoneFromTrash);
    EXPECT_EQ(ReadAll(record), "audio and trace");
}

TEST_F(TrashTest, RestoreRefusesWhenItCannotBeDoneSafely) {
    struct Case {
        const char* what;
        void (*meanwhile)(const TrashedFile&);
        RestoreProblem problem;
        bool stillInTrash;
    } const cases[] = {
        {"old name taken again",
         [](const TrashedFile& f) { std::ofstream(f.original, std::ios::binary) << "newer"; },
         RestoreProblem::OriginalTaken, true},
        {"emptied from the trash", [](const TrashedFile& f) { fs::remove(f.inTrash); },
         RestoreProblem::GoneFromTrash, false},
        {"record folder gone",
         [](const TrashedFile& f) { fs::remove_all(f.original.parent_path()); },
         RestoreProblem::Failed, true},
    };
    for (const Case& c : cases) {
        fs::create_directories(m_data);
        const fs::path record = Record("Anna_20100512_20100209153045123.zip", "old");
        const TrashResult trashed = MoveToTrash(record);
        ASSERT_EQ(trashed.problem, TrashProblem::None) << c.what;
        c.meanwhile(trashed.file);
        EXPECT_EQ(RestoreFromTrash(trashed.file), c.problem) << c.what;
        EXPECT_EQ(fs::exists(trashed.file.inTrash), c.stillInTrash) << c.what;
        if (c.problem == RestoreProblem::OriginalTaken) {
            EXPECT_EQ(ReadAll(record), "newer") << c.what;
            EXPECT_EQ(ReadAll(trashed.file.inTrash), "old") << c.what;
        }
    }
}

TEST_F(TrashTest, SameNameTwiceKeepsBothAndAMissingFileIsSaidSo) {
    const fs::path record = Record("Anna_20100512_20100209153045123.zip", "first");
    const TrashResult first = MoveToTrash(record);
    Record(record.filename().string(), "second");
    const TrashResult second = MoveToTrash(record);
    ASSERT_EQ(first.problem, TrashProblem::None);
    ASSERT_EQ(second.problem, TrashProblem::None);
    EXPECT_NE(first.file.inTrash, second.file.inTrash);
    EXPECT_EQ(RestoreFromTrash(second.file), RestoreProblem::None);
    EXPECT_EQ(ReadAll(record), "second");
    EXPECT_EQ(RestoreFromTrash(first.file), RestoreProblem::OriginalTaken);
    EXPECT_EQ(ReadAll(first.file.inTrash), "first");

    EXPECT_EQ(MoveToTrash(m_data / "absent.zip").problem, TrashProblem::Missing);
    EXPECT_EQ(MoveToTrash(m_data).problem, TrashProblem::Missing);
}

}  // namespace
}  // namespace marulo::platform
