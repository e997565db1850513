// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/WorkingFilesOwner.h"

#include <gtest/gtest.h>

namespace marulo::session {
namespace {

using H = WorkingFilesHolder;

TEST(WorkingFilesOwnerTest, OneHolderAtATime) {
    struct Step {
        const char* what;
        WorkingFilesHolder first;
        WorkingFilesHolder second;
        bool secondTakes;
    };
    const Step steps[] = {
        {"a review while a run holds them", H::Run, H::Review, false},
        {"a run while a record is reviewed", H::Review, H::Run, false},
        {"a run while the last one closes", H::ClosingRun, H::Run, false},
        {"a review while recovery stores", H::Recovery, H::Review, false},
        {"the same holder again", H::Review, H::Review, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        WorkingFilesOwner owner;
        ASSERT_TRUE(owner.TryTake(step.first));
        EXPECT_EQ(owner.TryTake(step.second), step.secondTakes);
        EXPECT_EQ(owner.Holder(), step.secondTakes ? step.second : step.first);
    }
}

TEST(WorkingFilesOwnerTest, HandsOnOnlyFromTheHolderAndTellsWaitersOnceFree) {
    WorkingFilesOwner owner;
    int told = 0;
    ASSERT_TRUE(owner.TryTake(H::Run));
    owner.WhenFree([&] { ++told; });
    EXPECT_FALSE(owner.Hand(H::Review, H::Playback));
    ASSERT_TRUE(owner.Hand(H::Run, H::ClosingRun));
    owner.Release(H::Run);
    EXPECT_EQ(told, 0) << "a stage that no longer holds them cannot let them go";
    owner.Release(H::ClosingRun);
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(owner.IsFree());
    owner.Release(H::ClosingRun);
    owner.WhenFree([&] { ++told; });
    EXPECT_EQ(told, 2) << "told at once when free";
}

}  // namespace
}  // namespace marulo::session
