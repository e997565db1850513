// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>

#include "platform/ThreadMessageQueue.h"

namespace marulo::platform {

// The empty buffers queued on a sound input, filled in queue order from the bytes the device
// delivers; each buffer that becomes full is posted to the owner as kMessageInputData. Filling
// never waits for the owner.
class SoundBufferQueue {
public:
    void SetOwner(ThreadMessageQueue* owner);
    void Add(std::unique_ptr<SoundBuffer> buffer);
    // Bytes that find no queued buffer are dropped, as by a device that ran out of buffers; the
    // owner hears kMessageInputOverrun when dropping begins, and kMessageInputGap with the count
    // before the next block. The drop is made whole buffers long, so every block after it keeps
    // its place in the sound.
    void Fill(std::span<const std::uint8_t> bytes);
    // Drops every queued buffer, also a partly filled one, without posting it.
    void Clear();

private:
    void Post(ThreadMessage message);

    std::mutex m_mutex;
    ThreadMessageQueue* m_owner = nullptr;
    std::deque<std::unique_ptr<SoundBuffer>> m_buffers;
    std::size_t m_dropped = 0;  // bytes dropped since the last block
};

}  // namespace marulo::platform
