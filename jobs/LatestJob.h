// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace marulo::jobs {

// What a running piece of work may ask and tell: whether it is still wanted, and how far it is.
class JobControl {
public:
    // True once a newer start or a cancel made this work stale: it should stop soon.
    bool Stale() const { return m_stop.load(); }
    // For functions that take a stop flag.
    const std::atomic<bool>* StopFlag() const { return &m_stop; }
    // How far the work is, 0 to 1; reaches the owner only while the work is the newest, and only
    // when it moved by at least a percent.
    void Progress(double fraction);

private:
    friend class LatestJob;
    JobControl(std::atomic<bool>& stop, std::function<void(double)> report)
        : m_stop(stop), m_report(std::move(report)) {}

    std::atomic<bool>& m_stop;
    std::function<void(double)> m_report;
    double m_lastReported = -1.0;
};

// Runs one piece of work at a time on a thread of its own; the newest start wins. A start while
// work runs marks that work stale (it sees Stale() and leaves early) and replaces any that waits;
// a cancel does the same without a successor. The owner never waits for the worker: results and
// progress are handed to it by value through post, which must carry a call to the owner's thread
// (a queued call on a Qt object, or a queue a test drains), and a stale result or progress is
// dropped there. Work that touches one set of files can share a LatestJob: it never runs two
// pieces at once.
class LatestJob {
public:
    using Call = std::function<void()>;
    using Post = std::function<void(Call call)>;
    using Progress = std::function<void(double fraction)>;

    explicit LatestJob(Post post);
    // Waits until the running work has noticed that it is stale: only at teardown, when nobody
    // needs the owner's thread to answer any more. Results and progress still queued are dropped.
    ~LatestJob();
    LatestJob(const LatestJob&) = delete;
    LatestJob& operator=(const LatestJob&) = delete;

    // Runs work(JobControl&) on the worker, then done(result) on the owner's thread when it is
    // still the newest; progress likewise. Gives the start's number.
    template <class Work, class Done>
    std::uint64_t Start(Work work, Done done, const Progress& progress = {}) {
        using Result = std::invoke_result_t<Work&, JobControl&>;
        return StartErased(
            [work = std::move(work), done = std::move(done)](JobControl& control) mutable -> Call {
                auto result = std::make_shared<Result>(work(control));
                return [done, result] { done(std::move(*result)); };
            },
            progress);
    }
    // Makes the work in hand stale and drops any that waits; returns at once.
    void Cancel();
    // The number of the newest start; anything older is stale.
    std::uint64_t Newest() const { return m_shared->newest.load(); }
    // Whether the newest start has not yet been handed back (or cancelled).
    bool Busy() const;

private:
    using ErasedWork = std::function<Call(JobControl&)>;
    struct Request {
        std::uint64_t number = 0;
        ErasedWork work;
        Progress progress;
    };
    // What queued calls still reach after the LatestJob is gone.
    struct Shared {
        std::atomic<std::uint64_t> newest{0};
        std::atomic<std::uint64_t> handedBack{0};
    };

    std::uint64_t StartErased(ErasedWork work, Progress progress);
    void Run();

    Post m_post;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Request> m_pending;
    bool m_quit = false;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

}  // namespace marulo::jobs
