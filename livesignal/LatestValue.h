// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <mutex>
#include <optional>
#include <utility>

namespace marulo::livesignal {

// Hands the newest of a stream of values from one thread to another, where only the newest is
// shown: a taker is asked for once until it has taken, so a reader that falls behind never meets
// a backlog, it takes the newest value and the ones before are dropped.
template <typename T>
class LatestValue {
public:
    // True when the caller must ask for a taker (none is asked for yet).
    bool Put(T value) {
        std::lock_guard lock(m_mutex);
        m_value = std::move(value);
        return !std::exchange(m_asked, true);
    }
    std::optional<T> Take() {
        std::lock_guard lock(m_mutex);
        m_asked = false;
        return std::exchange(m_value, std::nullopt);
    }

private:
    std::mutex m_mutex;
    std::optional<T> m_value;
    bool m_asked = false;
};

}  // namespace marulo::livesignal
