// SPDX-License-Identifier: GPL-3.0-or-later
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "app/WorkFolder.h"
#include "tests/support/TempFolder.h"

namespace marulo::app {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Sets an environment variable (or removes it) for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(m_old ? m_old->c_str() : nullptr); }

private:
    void Set(const char* value) {
        if (value != nullptr) {
            setenv(m_name, value, 1);
        } else {
            unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

// A program folder with its Conf.ini and a place for the user's folder, both temporary.
class WorkFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_root / "program");
        WriteAll(m_root / "program" / "Conf.ini", "[Language]\nCurrent=English\n");
        m_program = FolderLocation{"", (m_root / "program").string() + "/"};
        m_user = (m_root / "home" / ".local" / "share" / "marulo").string();
    }
    void TearDown() override {
        // Lets the folder's removal reach into a program folder a test made read-only.
        fs::permissions(m_root / "program", fs::perms::owner_all, fs::perm_options::add);
    }

    testing::TempFolder m_root{"work"};
    FolderLocation m_program;
    std::string m_user;
};

TEST_F(WorkFolderTest, ReadOnlyProgramMovesToTheUserFolderAndCopiesConfIniOnce) {
    const FolderLocation chosen = ChooseWorkFolder(m_program, false, m_user);
    EXPECT_EQ(chosen, (FolderLocation{"", m_user + "/"}));
    EXPECT_EQ(ReadAll(fs::path(m_user) / "Conf.ini"), "[Language]\nCurrent=English\n");

    // A language chosen later lives in the user's copy and survives the next start.
    WriteAll(fs::path(m_user) / "Conf.ini", "[Language]\nCurrent=German\n");
    EXPECT_EQ(ChooseWorkFolder(m_program, false, m_user), chosen);
    EXPECT_EQ(ReadAll(fs::path(m_user) / "Conf.ini"), "[Language]\nCurrent=German\n");
}

TEST_F(WorkFolderTest, StaysBesideTheProgramWhenItCanOrMust) {
    EXPECT_EQ(ChooseWorkFolder(m_program, true, m_user), m_program);
    EXPECT_FALSE(fs::exists(m_user)) << "a writable program leaves the user's folder alone";

    EXPECT_EQ(ChooseWorkFolder(m_program, false, ""), m_program);

    // A user folder that cannot be made (its parent is a file) keeps the program's folder.
    WriteAll(m_root / "blocker", "");
    EXPECT_EQ(ChooseWorkFolder(m_program, false, (m_root / "blocker" / "marulo").string()),
              m_program);
}

TEST_F(WorkFolderTest, ProgramWithoutConfIniStillGetsAUserFolder) {
    fs::remove(m_root / "program" / "Conf.ini");
    EXPECT_EQ(ChooseWorkFolder(m_program, false, m_user), (FolderLocation{"", m_user + "/"}));
    EXPECT_FALSE(fs::exists(fs::path(m_user) / "Conf.ini"));
}

TEST_F(WorkFolderTest, WritabilityIsThatOfTheRunningUser) {
    EXPECT_TRUE(IsWritableFolder(m_program.directory));
    EXPECT_FALSE(IsWritableFolder((m_root / "missing").string()));
    EXPECT_FALSE(IsWritableFolder(""));

    // An installed program is run by a normal user: ask as one (root may write anywhere).
    fs::permissions(m_root / "program", fs::perms::owner_write, fs::perm_options::remove);
    fs::create_directories(m_root / "open");
    fs::permissions(m_root / "open", fs::perms::all);
    fs::permissions(m_root, fs::perms::others_exec, fs::perm_options::add);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        const bool readOnlySeen = !IsWritableFolder(m_program.directory);
        const bool openSeen = IsWritableFolder((m_root / "open").string());
        _exit((readOnlySeen ? 0 : 1) | (openSeen ? 0 : 2));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "a read-only program folder counted as writable";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "a folder open to all counted as read-only";
}

TEST(UserDataFolderTest, FollowsTheDataHomeThenTheHome) {
    const struct {
        const char* xdg;
        const char* home;
        const char* expected;
    } cases[] = {
        {"/data/anna", "/home/anna", "/data/anna/marulo"},
        {nullptr, "/home/anna", "/home/anna/.local/share/marulo"},
        {"", "/home/anna", "/home/anna/.local/share/marulo"},
        {"relative/data", "/home/anna", "/home/anna/.local/share/marulo"},
        {nullptr, nullptr, ""},
        {"/data/anna", nullptr, "/data/anna/marulo"},
    };
    for (const auto& c : cases) {
        const ScopedEnv xdg("XDG_DATA_HOME", c.xdg);
        const ScopedEnv home("HOME", c.home);
        EXPECT_EQ(UserDataFolder(), c.expected)
            << (c.xdg ? c.xdg : "(unset)") << ", " << (c.home ? c.home : "(unset)");
    }
}

}  // namespace
}  // namespace marulo::app
