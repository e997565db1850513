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

void SoundBufferQueue::Fill(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    while (!bytes.empty() && !m_buffers.empty()) {
        SoundBuffer& buffer = *m_buffers.front();
        const std::size_t room = buffer.bytes.size() - buffer.recorded;
        const std::size_t taken = std::min(room, bytes.size());
        std::copy_n(bytes.begin(), taken, buffer.bytes.begin() + buffer.recorded);
        buffer.recorded += taken;
        bytes = bytes.subspan(taken);
        if (buffer.recorded == buffer.bytes.size()) {
            std::unique_ptr<SoundBuffer> full = std::move(m_buffers.front());
            m_buffers.pop_front();
            if (m_owner != nullptr) {
                m_owner->Post(ThreadMessage{kMessageInputData, std::move(full)});
            }
        }
    }
}

void SoundBufferQueue::Clear() {
    std::lock_guard lock(m_mutex);
    m_buffers.clear();
}

}  // namespace marulo::platform
