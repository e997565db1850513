// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundThread.h"

#include <QThread>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "platform/SoundInput.h"

namespace marulo::platform {

namespace {

// Work posted to the sound thread that has not ended yet.
std::atomic<int> g_soundWorkPending{0};

}  // namespace

QObject& SoundThread() {
    static QObject* const context = [] {
        auto thread = std::make_unique<QThread>();
        auto object = std::make_unique<QObject>();
        object->moveToThread(thread.get());
        thread->start();
        static_cast<void>(thread.release());
        return object.release();
    }();
    return *context;
}

void SoundWorkPosted() {
    ++g_soundWorkPending;
}

void SoundWorkEnded() {
    --g_soundWorkPending;
}

bool SoundSystemAnswers(std::chrono::milliseconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (g_soundWorkPending.load() > 0) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

}  // namespace marulo::platform
