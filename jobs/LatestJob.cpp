// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobs/LatestJob.h"

#include <algorithm>
#include <cmath>

namespace marulo::jobs {

void JobControl::Progress(double fraction) {
    if (!m_report || Stale()) {
        return;
    }
    const double clamped = std::clamp(fraction, 0.0, 1.0);
    if (m_lastReported >= 0.0 && std::abs(clamped - m_lastReported) < 0.01 && clamped < 1.0) {
        return;
    }
    m_lastReported = clamped;
    m_report(clamped);
}

LatestJob::LatestJob(Post post) : m_post(std::move(post)), m_thread([this] { Run(); }) {}

LatestJob::~LatestJob() {
    {
        const std::lock_guard lock(m_mutex);
        // Calls still queued find their owner gone and do nothing.
        ++m_shared->newest;
        m_quit = true;
        m_pending.reset();
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

std::uint64_t LatestJob::StartErased(ErasedWork work, Progress progress) {
    std::uint64_t number = 0;
    {
        const std::lock_guard lock(m_mutex);
        number = ++m_shared->newest;
        m_pending = Request{number, std::move(work), std::move(progress)};
        m_stop = true;
    }
    m_wake.notify_all();
    return number;
}

void LatestJob::Cancel() {
    {
        const std::lock_guard lock(m_mutex);
        m_shared->handedBack = ++m_shared->newest;
        m_pending.reset();
        m_stop = true;
    }
}

bool LatestJob::Busy() const {
    return m_shared->handedBack.load() != m_shared->newest.load();
}

void LatestJob::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending.has_value(); });
        if (m_quit) {
            return;
        }
        Request request = std::move(*m_pending);
        m_pending.reset();
        m_stop = false;
        lock.unlock();

        const std::shared_ptr<Shared> shared = m_shared;
        const std::uint64_t number = request.number;
        // Posted from this thread only, so progress and the result arrive in the order made.
        JobControl control(m_stop, [this, shared, number, progress = request.progress](double f) {
            m_post([shared, number, progress, f] {
                if (shared->newest.load() == number) {
                    progress(f);
                }
            });
        });
        Call deliver = request.work(control);
        if (!control.Stale()) {
            m_post([shared, number, deliver = std::move(deliver)] {
                if (shared->newest.load() == number) {
                    shared->handedBack = number;
                    deliver();
                }
            });
        }
        // The work's captures go here, on the worker, not on the owner's thread.
        request = {};
        deliver = {};
        lock.lock();
    }
}

}  // namespace marulo::jobs
