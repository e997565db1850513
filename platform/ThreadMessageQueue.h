// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
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
inline constexpr std::uint32_t kMessageUser = 0x0400;

// One capture buffer: handed to the input empty, handed back filled.
struct SoundBuffer {
    std::vector<std::uint8_t> bytes;
    std::size_t recorded = 0;
};

struct ThreadMessage {
    std::uint32_t id = 0;
    std::unique_ptr<SoundBuffer> buffer;  // set for kMessageInputData only
};

// The blocking message queue of one worker thread; any thread may post.
class ThreadMessageQueue {
public:
    void Post(ThreadMessage message) {
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
