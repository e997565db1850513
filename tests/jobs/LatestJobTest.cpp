// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/LatestJob.h"

#include <gtest/gtest.h>

#include "tests/support/CallQueue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace marulo::jobs {
namespace {

using namespace std::chrono_literals;
using testing::CallQueue;

// Work that holds until released, so a test can start others while it runs.
class Gate {
public:
    void Open() {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    // Waits until opened or the job is stale.
    void Pass(const JobControl& control) {
        std::unique_lock lock(m_mutex);
        m_entered = true;
        m_changed.notify_all();
        while (!m_open && !control.Stale()) {
            m_changed.wait_for(lock, 1ms);
        }
    }
    void WaitEntered() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_entered; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = false;
    bool m_entered = false;
};

TEST(LatestJobTest, OnlyTheNewestResultArrives) {
    struct Case {
        const char* what;
        int starts;
        bool cancelAfter;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"one start", 1, false, {"0"}},
        {"three starts while the first runs", 3, false, {"2"}},
        {"a cancel after two starts", 2, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CallQueue queue;
        std::vector<std::string> results;
        Gate gate;
        {
            LatestJob job(queue.Poster());
            for (int i = 0; i < c.starts; ++i) {
                job.Start(
                    [&gate, i](JobControl& control) {
                        if (i == 0) {
                            gate.Pass(control);
                        }
                        return std::to_string(i);
                    },
                    [&results](std::string result) { results.push_back(std::move(result)); });
                if (i == 0) {
                    gate.WaitEntered();
                }
            }
            if (c.cancelAfter) {
                job.Cancel();
            }
            gate.Open();
            EXPECT_TRUE(queue.RunUntil([&] { return !job.Busy(); }));
            // A stale result still under way arrives too late to count.
            std::this_thread::sleep_for(20ms);
            queue.Drain();
        }
        EXPECT_EQ(results, c.expected);
    }
}

TEST(LatestJobTest, ProgressArrivesInOrderBeforeTheResult) {
    CallQueue queue;
    std::vector<double> seen;
    bool done = false;
    LatestJob job(queue.Poster());
    job.Start(
        [](JobControl& control) {
            for (int i = 0; i <= 1000; ++i) {
                control.Progress(i / 1000.0);
            }
            return 0;
        },
        [&](int) { done = true; },
        [&](double fraction) {
            EXPECT_FALSE(done);
            seen.push_back(fraction);
        });
    ASSERT_TRUE(queue.RunUntil([&] { return done; }));
    ASSERT_FALSE(seen.empty());
    // At most one a percent, rising, ending whole.
    EXPECT_LE(seen.size(), 101U);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
}

TEST(LatestJobTest, CancelReturnsWhileTheWorkRunsAndTheWorkSeesItIsStale) {
    CallQueue queue;
    Gate gate;
    std::atomic<bool> sawStale{false};
    bool delivered = false;
    LatestJob job(queue.Poster());
    job.Start(
        [&](JobControl& control) {
            gate.Pass(control);
            sawStale = control.Stale();
            return 1;
        },
        [&](int) { delivered = true; });
    gate.WaitEntered();
    job.Cancel();
    EXPECT_FALSE(job.Busy());
    // The worker leaves the gate only because it was made stale.
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!sawStale && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(sawStale);
    queue.Drain();
    EXPECT_FALSE(delivered);
}

TEST(LatestJobTest, DestroyedWhileWorkRunsAndCallsStillQueued) {
    CallQueue queue;
    Gate gate;
    bool delivered = false;
    {
        LatestJob job(queue.Poster());
        job.Start(
            [&](JobControl& control) {
                control.Progress(0.5);
                gate.Pass(control);
                return 1;
            },
            [&](int) { delivered = true; }, [&](double) { delivered = true; });
        gate.WaitEntered();
    }
    // What was posted before the end reaches nobody afterwards.
    queue.Drain();
    EXPECT_FALSE(delivered);
}

}  // namespace
}  // namespace marulo::jobs
