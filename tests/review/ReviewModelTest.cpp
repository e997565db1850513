// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ReviewModel.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "tests/report/StoredRecords.h"
#include "tests/support/CallQueue.h"
#include "tests/support/TempFolder.h"

namespace marulo::review {
namespace {

namespace fs = std::filesystem;
using session::WorkingFilesHolder;

class ReviewModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(m_work);
        testing::WriteRecord(m_record, {120, 0, 135});
    }
    bool LoadDone() {
        return m_queue.RunUntil([this] { return !m_model.IsLoading(); });
    }
    bool CheckDone() {
        return m_queue.RunUntil([this] { return !m_model.IsLoading() && !m_model.IsChecking(); });
    }

    testing::TempFolder m_folder{"review-model"};
    fs::path m_work = m_folder.Path() / "work";
    fs::path m_record = m_folder.Path() / "record.zip";
    testing::CallQueue m_queue;
    session::WorkingFilesOwner m_files;
    std::vector<archive::RecordProblem> m_problems;
    ReviewModel m_model{m_work, m_files, m_queue.Poster()};
};

// Whoever else holds the working files, a review is refused and leaves them alone.
TEST_F(ReviewModelTest, RefusedWhileARunClosingRunOrRecoveryHoldsTheFiles) {
    for (const WorkingFilesHolder holder :
         {WorkingFilesHolder::Run, WorkingFilesHolder::ClosingRun, WorkingFilesHolder::Recovery}) {
        SCOPED_TRACE(static_cast<int>(holder));
        ASSERT_TRUE(m_files.TryTake(holder));
        EXPECT_FALSE(m_model.Load(m_record));
        EXPECT_FALSE(m_model.IsLoading());
        EXPECT_TRUE(m_model.Archive().empty());
        EXPECT_EQ(m_files.Holder(), holder);
        m_files.Release(holder);
    }
    EXPECT_FALSE(fs::exists(m_work / "Data.hr"));
}

// One load, one check; the reports of that record get the same check, the others none.
TEST_F(ReviewModelTest, LoadsChecksOnceAndHandsTheCheckToTheReports) {
    int checked = 0;
    m_model.SetLoaded([this](archive::RecordProblem problem) { m_problems.push_back(problem); });
    m_model.SetChecked([&checked] { ++checked; });
    ASSERT_TRUE(m_model.Load(m_record));
    EXPECT_EQ(m_files.Holder(), WorkingFilesHolder::Review);
    EXPECT_FALSE(m_model.ReportChecksFor(m_record)) << "not checked yet";
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(m_problems, std::vector{archive::RecordProblem::None});
    EXPECT_EQ(m_model.Trace(), (std::vector<std::int32_t>{120, 0, 135}));
    EXPECT_TRUE(fs::exists(m_model.AudioPath()));
    EXPECT_EQ(checked, 1);
    ASSERT_TRUE(m_model.Check());
    const auto forReport = m_model.ReportChecksFor(m_record);
    ASSERT_TRUE(forReport && *forReport);
    EXPECT_EQ((*forReport)->size(), 2U) << "one a second of its two seconds of sound";
    EXPECT_FALSE(m_model.ReportChecksFor(m_folder.Path() / "other.zip"));
}

// Review to playback and back; a clear lets the files go once the worker has left them, and a
// waiter hears of it.
TEST_F(ReviewModelTest, PlaybackHandsTheFilesOnAndAClearLetsThemGo) {
    ASSERT_TRUE(m_model.Load(m_record));
    ASSERT_TRUE(LoadDone());
    ASSERT_TRUE(m_model.BeginPlayback());
    EXPECT_EQ(m_files.Holder(), WorkingFilesHolder::Playback);
    EXPECT_TRUE(m_model.BeginPlayback()) << "already playing";
    m_model.EndPlayback();
    EXPECT_EQ(m_files.Holder(), WorkingFilesHolder::Review);

    ASSERT_TRUE(m_model.BeginPlayback());
    bool free = false;
    m_files.WhenFree([&free] { free = true; });
    m_model.Clear();
    EXPECT_TRUE(m_model.Trace().empty());
    EXPECT_TRUE(m_queue.RunUntil([this] { return m_files.IsFree(); }));
    EXPECT_TRUE(free);
    EXPECT_FALSE(m_model.BeginPlayback()) << "nothing under review";
}

// A newer load wins over one in hand: only its values and its report arrive.
TEST_F(ReviewModelTest, TheNewestLoadWins) {
    const fs::path other = m_folder.Path() / "other.zip";
    testing::WriteRecord(other, {90, 91});
    m_model.SetLoaded([this](archive::RecordProblem problem) { m_problems.push_back(problem); });
    ASSERT_TRUE(m_model.Load(m_record));
    ASSERT_TRUE(m_model.Load(other));
    ASSERT_TRUE(CheckDone());
    EXPECT_EQ(m_problems.size(), 1U);
    EXPECT_EQ(m_model.Trace(), (std::vector<std::int32_t>{90, 91}));
    EXPECT_EQ(m_model.Archive(), other);
}

}  // namespace
}  // namespace marulo::review
