// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/WorkingFilesOwner.h"

#include <utility>

namespace marulo::session {

bool WorkingFilesOwner::TryTake(WorkingFilesHolder holder) {
    std::lock_guard lock(m_mutex);
    if (m_holder != WorkingFilesHolder::Nobody && m_holder != holder) {
        return false;
    }
    m_holder = holder;
    return true;
}

bool WorkingFilesOwner::Hand(WorkingFilesHolder from, WorkingFilesHolder to) {
    std::lock_guard lock(m_mutex);
    if (m_holder != from) {
        return false;
    }
    m_holder = to;
    return true;
}

void WorkingFilesOwner::Release(WorkingFilesHolder holder) {
    std::vector<FreeCallback> waiting;
    {
        std::lock_guard lock(m_mutex);
        if (m_holder != holder || holder == WorkingFilesHolder::Nobody) {
            return;
        }
        m_holder = WorkingFilesHolder::Nobody;
        waiting.swap(m_waiting);
    }
    for (const FreeCallback& callback : waiting) {
        callback();
    }
}

WorkingFilesHolder WorkingFilesOwner::Holder() const {
    std::lock_guard lock(m_mutex);
    return m_holder;
}

void WorkingFilesOwner::WhenFree(FreeCallback callback) {
    {
        std::lock_guard lock(m_mutex);
        if (m_holder != WorkingFilesHolder::Nobody) {
            m_waiting.push_back(std::move(callback));
            return;
        }
    }
    callback();
}

}  // namespace marulo::session
