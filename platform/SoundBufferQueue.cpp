// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SoundBufferQueue.h"

#include <algorithm>

namespace marulo::platform {

void SoundBufferQueue::SetOwner(ThreadMessageQueue* owner) {
    std::lock_guard lock(m_mutex);
    m_owner = owner;
}

void SoundBufferQueue::Add(std::unique_ptr<SoundBuffer> buffer) {
    if (!buffer) {
        return;
    }
    buffer->recorded = 0;
    std::lock_guard lock(m_mutex);
    m_buffers.push_back(std::move(buffer));
}

void SoundBufferQueue::Post(ThreadMessage message) {
    if (m_owner != nullptr) {
        m_owner->Post(std::move(message));
    }
}

void SoundBufferQueue::Fill(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    while (!bytes.empty()) {
        if (m_buffers.empty()) {
            if (m_dropped == 0) {
                Post(ThreadMessage(kMessageInputOverrun));
            }
            m_dropped += bytes.size();
            return;
        }
        SoundBuffer& buffer = *m_buffers.front();
        if (m_dropped > 0 && !buffer.bytes.empty()) {
            const std::size_t partial = m_dropped % buffer.bytes.size();
            if (partial > 0) {
                const std::size_t skipped = std::min(buffer.bytes.size() - partial, bytes.size());
                m_dropped += skipped;
                bytes = bytes.subspan(skipped);
                continue;
            }
            ThreadMessage gap(kMessageInputGap);
            gap.droppedBytes = m_dropped;
            Post(std::move(gap));
            m_dropped = 0;
        }
        const std::size_t room = buffer.bytes.size() - buffer.recorded;
        const std::size_t taken = std::min(room, bytes.size());
        std::copy_n(bytes.begin(), taken, buffer.bytes.begin() + buffer.recorded);
        buffer.recorded += taken;
        bytes = bytes.subspan(taken);
        if (buffer.recorded == buffer.bytes.size()) {
            std::unique_ptr<SoundBuffer> full = std::move(m_buffers.front());
            m_buffers.pop_front();
            Post(ThreadMessage(kMessageInputData, std::move(full)));
        }
    }
}

void SoundBufferQueue::Clear() {
    std::lock_guard lock(m_mutex);
    m_buffers.clear();
    m_dropped = 0;
}

}  // namespace marulo::platform
