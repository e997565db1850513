// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordRedating.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "archive/RecordIndex.h"
#include "tests/support/TempFolder.h"

namespace marulo::archive {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kAnnaOld = {
    "Anna_20100512_20100209153045123.zip",
    "Anna_20100512_20100301101010000.zip",
    "Anna_20100512_20100302101010000.zip",
    "Anna_20100512_x.zip",
};
const std::vector<std::string> kOthers = {
    "Anna_20100601_20100209153045123.zip",    // her records under another date stay
    "Anna_20100512_x_20100209153045123.zip",  // another mother whose name ends like hers
    "Bella_20100512_20100209153045123.zip",
    "Anna_20100512_20100209153045123.zip.part",  // not a record
};

std::string Content(const std::string& name) {
    return "content of " + name;
}

// Every file in the folder with its content.
std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = {std::istreambuf_iterator<char>(in),
                                                   std::istreambuf_iterator<char>()};
    }
    return files;
}

std::string Renamed(const std::string& old) {
    return "Anna_20100519_" + old.substr(std::string("Anna_20100512_").size());
}

class RecordRedatingTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& list : {kAnnaOld, kOthers}) {
            for (const std::string& name : list) {
                std::ofstream(m_folder / name, std::ios::binary) << Content(name);
            }
        }
    }

    // Each of her records exactly once, under its old or its new name, with its content; the
    // others untouched; nothing else.
    void ExpectEachRecordOnce(std::size_t renamedAtLeast) const {
        const auto files = Files(m_folder);
        std::size_t renamed = 0;
        for (const std::string& old : kAnnaOld) {
            const bool atOld = files.contains(old);
            const bool atNew = files.contains(Renamed(old));
            EXPECT_NE(atOld, atNew) << old;
            EXPECT_EQ(files.at(atOld ? old : Renamed(old)), Content(old));
            renamed += atNew ? 1 : 0;
        }
        for (const std::string& other : kOthers) {
            EXPECT_EQ(files.at(other), Content(other));
        }
        EXPECT_EQ(files.size(), kAnnaOld.size() + kOthers.size());
        EXPECT_GE(renamed, renamedAtLeast);
    }

    testing::TempFolder m_folder{"redating"};
};

TEST_F(RecordRedatingTest, PlansOnlyHerRecordsOrRefusesUpFront) {
    struct Case {
        const char* what;
        const char* oldEdc;
        const char* newEdc;
        RedateProblem problem;
        std::size_t steps;
    } const cases[] = {
        {"moves her four records", "2010-05-12", "2010-05-19", RedateProblem::None, 4},
        {"digits without dashes", "20100512", "20100519", RedateProblem::None, 4},
        {"same date", "2010-05-12", "20100512", RedateProblem::SameDate, 0},
        {"new date not a date", "2010-05-12", "2010-02-30", RedateProblem::BadDate, 0},
        {"old date not a date", "2010-5-12", "2010-05-19", RedateProblem::BadDate, 0},
        {"taken name", "2010-05-12", "2010-06-01", RedateProblem::Conflict, 0},
        {"nothing under that date", "2010-05-13", "2010-05-19", RedateProblem::None, 0},
    };
    for (const Case& c : cases) {
        const RedatePlan plan = PlanRedating(m_folder, "Anna", c.oldEdc, c.newEdc);
        EXPECT_EQ(plan.problem, c.problem) << c.what;
        EXPECT_EQ(plan.steps.size(), c.steps) << c.what;
    }
    const RedatePlan conflict = PlanRedating(m_folder, "Anna", "2010-05-12", "2010-06-01");
    EXPECT_EQ(conflict.names, std::vector<std::string>{"Anna_20100601_20100209153045123.zip"});
    // A refused plan renames nothing, even when carried out.
    EXPECT_EQ(CarryOutRedating(m_folder, conflict).problem, RedateProblem::Conflict);
    ExpectEachRecordOnce(0);
}

TEST_F(RecordRedatingTest, ARunKilledAfterAnyRenameLeavesEachRecordOnceAndARerunFinishes) {
    for (std::size_t killAfter = 0; killAfter <= kAnnaOld.size(); ++killAfter) {
        SCOPED_TRACE(killAfter);
        SetUp();
        for (const auto& entry : fs::directory_iterator(m_folder.Path())) {
            if (entry.path().filename().string().starts_with("Anna_20100519_")) {
                fs::remove(entry.path());
            }
        }
        const RedatePlan plan = PlanRedating(m_folder, "Anna", "2010-05-12", "2010-05-19");
        ASSERT_EQ(plan.problem, RedateProblem::None);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CarryOutRedating(m_folder, plan, [&](std::size_t done) {
                if (done == killAfter) {
                    ::kill(::getpid(), SIGKILL);
                }
            });
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const bool killed = WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
        EXPECT_EQ(killed, killAfter > 0);
        ExpectEachRecordOnce(killAfter);

        const RedatePlan rest = PlanRedating(m_folder, "Anna", "2010-05-12", "2010-05-19");
        ASSERT_EQ(rest.problem, RedateProblem::None);
        EXPECT_EQ(rest.steps.size(), killAfter == 0 ? 0 : kAnnaOld.size() - killAfter);
        const RedateResult finished = CarryOutRedating(m_folder, rest);
        EXPECT_EQ(finished.problem, RedateProblem::None);
        EXPECT_EQ(finished.renamed, rest.steps.size());
        ExpectEachRecordOnce(kAnnaOld.size());
        // The index, built from the names alone, follows at once.
        const auto keys = BuildRecordIndex(m_folder);
        EXPECT_TRUE(std::ranges::find(keys, "Anna_20100519") != keys.end());
        EXPECT_TRUE(std::ranges::find(keys, "Anna_20100512") == keys.end());
    }
}

TEST_F(RecordRedatingTest, ANameTakenAfterPlanningIsNeverReplaced) {
    const RedatePlan plan = PlanRedating(m_folder, "Anna", "2010-05-12", "2010-05-19");
    ASSERT_EQ(plan.steps.size(), 4U);
    const std::string late = plan.steps[1].to;
    std::ofstream(m_folder / late, std::ios::binary) << "came in meanwhile";
    const RedateResult result = CarryOutRedating(m_folder, plan);
    EXPECT_EQ(result.problem, RedateProblem::RenameFailed);
    EXPECT_EQ(result.renamed, 1U);
    EXPECT_EQ(result.names, std::vector<std::string>{plan.steps[1].from});
    const auto files = Files(m_folder);
    EXPECT_EQ(files.at(late), "came in meanwhile");
    EXPECT_EQ(files.at(plan.steps[1].from), Content(plan.steps[1].from));
}

}  // namespace
}  // namespace marulo::archive
