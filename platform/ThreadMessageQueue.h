// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace marulo::platform {

// Message numbers a sound input posts to the thread that owns it.
inline constexpr std::uint32_t kMessageInputOpen = 0x03BE;
inline constexpr std::uint32_t kMessageInputClose = 0x03BF;
inline constexpr std::uint32_t kMessageInputData = 0x03C0;
// The input stopped delivering on its own (device unplugged, sound server gone).
inline constexpr std::uint32_t kMessageInputLost = 0x03C1;
// The input's room for delivered sound ran out: what it delivers from now on is dropped until a
// buffer comes back.
inline constexpr std::uint32_t kMessageInputOverrun = 0x03C2;
// Posted just before the first block after such a drop, with the dropped bytes.
inline constexpr std::uint32_t kMessageInputGap = 0x03C3;
inline constexpr std::uint32_t kMessageUser = 0x0400;

// A monotonic clock that also runs while the computer is suspended and that no setting of the
// wall clock moves: the time between two deliveries is the device's pause, whatever the reason.
struct DeliveryClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<DeliveryClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept {
#ifdef CLOCK_BOOTTIME
        timespec now{};
        clock_gettime(CLOCK_BOOTTIME, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
#else
        return time_point(std::chrono::steady_clock::now().time_since_epoch());
#endif
    }
};

// One capture buffer: handed to the input empty, handed back filled.
struct SoundBuffer {
    std::vector<std::uint8_t> bytes;
    std::size_t recorded = 0;
};

struct ThreadMessage {
    ThreadMessage() = default;
    explicit ThreadMessage(std::uint32_t messageId, std::unique_ptr<SoundBuffer> filled = nullptr)
        : id(messageId), buffer(std::move(filled)) {}

    std::uint32_t id = 0;
    std::unique_ptr<SoundBuffer> buffer;  // set for kMessageInputData only
    std::size_t droppedBytes = 0;         // set for kMessageInputGap only
    // When it was posted; Post stamps a message that comes without.
    DeliveryClock::time_point posted{};
};

// The blocking message queue of one worker thread; any thread may post.
class ThreadMessageQueue {
public:
    void Post(ThreadMessage message) {
        if (message.posted == DeliveryClock::time_point{}) {
            message.posted = DeliveryClock::now();
        }
        {
            std::lock_guard lock(m_mutex);
            m_messages.push_back(std::move(message));
        }
        m_ready.notify_one();
    }

    void Post(std::uint32_t id) { Post(ThreadMessage{id, nullptr}); }

    ThreadMessage Wait() {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_messages.empty(); });
        return TakeFront();
    }

    // Nothing when no message came within the time.
    std::optional<ThreadMessage> WaitFor(DeliveryClock::duration time) {
        return WaitUntil(std::chrono::steady_clock::now() +
                         std::chrono::duration_cast<std::chrono::steady_clock::duration>(time));
    }

    // Nothing when no message came before the deadline.
    std::optional<ThreadMessage> WaitUntil(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_until(lock, deadline, [this] { return !m_messages.empty(); })) {
            return std::nullopt;
        }
        return TakeFront();
    }

private:
    ThreadMessage TakeFront() {
        ThreadMessage message = std::move(m_messages.front());
        m_messages.pop_front();
        return message;
    }

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<ThreadMessage> m_messages;
};

}  // namespace marulo::platform
