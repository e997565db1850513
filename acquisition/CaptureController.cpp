// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureController.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/BlockAnalyzer.h"
#include "acquisition/CaptureThread.h"

namespace marulo::acquisition {

namespace {

// One capture thread with its message queue, which exists before the thread does so that a
// stop request is never lost.
struct Run {
    platform::ThreadMessageQueue queue;
    std::atomic<bool> ended{false};
    std::thread thread;
};

}  // namespace

struct CaptureController::Impl {
    SoundInputFactory factory;
    DevicePresence anyCaptureDevice;

    std::mutex listenersMutex;
    std::vector<AcquisitionListener*> listeners;
    ErrorReporter reporter;
    std::function<void()> runEnded;

    std::mutex runsMutex;
    std::condition_variable runEndedSignal;
    std::shared_ptr<Run> current;
    std::vector<std::shared_ptr<Run>> runs;

    void ReportFailure(const platform::SoundInputError& error, CaptureFault fault) {
        const bool notStarted = fault == CaptureFault::NotStarted;
        CaptureError report = CaptureErrorOf(
            error, notStarted && anyCaptureDevice && anyCaptureDevice(), !notStarted);
        report.noSound = fault == CaptureFault::NoSound;
        ErrorReporter copy;
        {
            std::lock_guard lock(listenersMutex);
            copy = reporter;
        }
        if (copy) {
            copy(report);
        }
    }

    void Capture(Run& run, const std::shared_ptr<Run>& previous,
                 std::unique_ptr<platform::SoundInput> input) {
        // The previous run may still be packing the working files.
        if (previous) {
            previous->ended.wait(false);
        }
        // Every run starts with a fresh detector and block counter: its rates come from its own
        // sound only.
        BlockAnalyzer analyzer;
        CaptureThread thread(
            [this](std::vector<AcquisitionListener*>& snapshot) {
                std::lock_guard lock(listenersMutex);
                snapshot = listeners;
            },
            analyzer,
            [this](const platform::SoundInputError& error, CaptureFault fault) {
                ReportFailure(error, fault);
            });
        thread.Run(*input, run.queue);
        input.reset();
        std::function<void()> notice;
        {
            std::lock_guard lock(listenersMutex);
            notice = runEnded;
        }
        if (notice) {
            notice();
        }
        {
            std::lock_guard lock(runsMutex);
            run.ended = true;
        }
        run.ended.notify_all();
        runEndedSignal.notify_all();
    }

    // Joins the threads that have ended; runsMutex must be held.
    void ForgetEndedRuns() {
        std::erase_if(runs, [](const std::shared_ptr<Run>& run) {
            if (!run->ended) {
                return false;
            }
            run->thread.join();
            return true;
        });
    }
};

CaptureError CaptureErrorOf(const platform::SoundInputError& error, bool anyCaptureDevice,
                            bool inputLost) {
    return {anyCaptureDevice, error.code, error.text, error.problem, error.subject, inputLost};
}

CaptureController::CaptureController(SoundInputFactory factory, DevicePresence anyCaptureDevice)
    : m_impl(std::make_unique<Impl>()) {
    m_impl->factory = std::move(factory);
    m_impl->anyCaptureDevice = std::move(anyCaptureDevice);
}

CaptureController::~CaptureController() {
    {
        std::lock_guard lock(m_impl->listenersMutex);
        m_impl->listeners.clear();
        m_impl->runEnded = {};
    }
    StopCapture();
    // Joined outside the lock, which an ending thread takes to say so.
    std::vector<std::shared_ptr<Run>> runs;
    {
        std::lock_guard lock(m_impl->runsMutex);
        runs.swap(m_impl->runs);
    }
    for (const auto& run : runs) {
        run->thread.join();
    }
}

void CaptureController::AddListener(AcquisitionListener& listener) {
    std::lock_guard lock(m_impl->listenersMutex);
    m_impl->listeners.push_back(&listener);
}

void CaptureController::RemoveListener(AcquisitionListener& listener) {
    std::lock_guard lock(m_impl->listenersMutex);
    std::erase(m_impl->listeners, &listener);
}

bool CaptureController::IsCapturing() const {
    std::lock_guard lock(m_impl->runsMutex);
    return m_impl->current && !m_impl->current->ended;
}

void CaptureController::StartCapture() {
    if (IsCapturing()) {
        return;
    }
    // Made here, on the caller's thread, where a sound system may want its objects created.
    std::unique_ptr<platform::SoundInput> input = m_impl->factory();
    std::lock_guard lock(m_impl->runsMutex);
    m_impl->ForgetEndedRuns();
    const std::shared_ptr<Run> previous = m_impl->runs.empty() ? nullptr : m_impl->runs.back();
    auto run = std::make_shared<Run>();
    run->thread = std::thread(
        [impl = m_impl.get(), run = run.get(), previous, input = std::move(input)]() mutable {
            impl->Capture(*run, previous, std::move(input));
        });
    m_impl->runs.push_back(run);
    m_impl->current = std::move(run);
}

void CaptureController::StopCapture() {
    std::lock_guard lock(m_impl->runsMutex);
    if (m_impl->current) {
        m_impl->current->queue.Post(WM_CAPTURE_STOP);
        m_impl->current.reset();
    }
}

bool CaptureController::AnyThreadRunning() const {
    std::lock_guard lock(m_impl->runsMutex);
    return std::ranges::any_of(m_impl->runs, [](const auto& run) { return !run->ended; });
}

void CaptureController::AwaitAllEnded() {
    std::unique_lock lock(m_impl->runsMutex);
    m_impl->runEndedSignal.wait(lock, [this] {
        return std::ranges::all_of(m_impl->runs, [](const auto& run) { return run->ended.load(); });
    });
    m_impl->ForgetEndedRuns();
}

void CaptureController::SetErrorReporter(ErrorReporter reporter) {
    std::lock_guard lock(m_impl->listenersMutex);
    m_impl->reporter = std::move(reporter);
}

void CaptureController::SetRunEndedNotice(std::function<void()> notice) {
    std::lock_guard lock(m_impl->listenersMutex);
    m_impl->runEnded = std::move(notice);
}

}  // namespace marulo::acquisition
