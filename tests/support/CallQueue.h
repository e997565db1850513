// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "jobs/LatestJob.h"

namespace marulo::testing {

using jobs::LatestJob;

// Stands in for the owner's event loop: posted calls wait here until the test runs them.
class CallQueue {
public:
    LatestJob::Post Poster() {
        return [this](LatestJob::Call call) {
            const std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
            m_arrived.notify_all();
        };
    }
    // Runs what has arrived until done holds; false after a while without it.
    bool RunUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!done()) {
            std::unique_lock lock(m_mutex);
            if (!m_arrived.wait_until(lock, end, [this] { return !m_calls.empty(); })) {
                return false;
            }
            LatestJob::Call call = std::move(m_calls.front());
            m_calls.pop_front();
            lock.unlock();
            call();
        }
        return true;
    }

    // Runs every call that has arrived by now.
    void Drain() {
        for (;;) {
            std::unique_lock lock(m_mutex);
            if (m_calls.empty()) {
                return;
            }
            LatestJob::Call call = std::move(m_calls.front());
            m_calls.pop_front();
            lock.unlock();
            call();
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<LatestJob::Call> m_calls;
};

}  // namespace marulo::testing
