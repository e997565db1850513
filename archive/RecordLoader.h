// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "archive/RecordFiles.h"

namespace marulo::archive {

// Unpacks stored records into the working files of a work folder on a thread of its own, one at
// a time. A newer
// request stops the one in progress and replaces any that waits; only the newest one's result
// counts. The working files are touched by this thread only while a request is in hand.
class RecordLoader {
public:
    // Called on the loader's thread with the request's ticket and what it loaded.
    using Finished = std::function<void(std::uint64_t ticket, LoadedRecord record)>;

    RecordLoader(std::filesystem::path workFolder, Finished finished);
    ~RecordLoader();
    RecordLoader(const RecordLoader&) = delete;
    RecordLoader& operator=(const RecordLoader&) = delete;

    // Queues the archive in place of anything earlier; gives its ticket.
    std::uint64_t Load(std::filesystem::path archive);
    // Drops every request and waits until the working files are left alone.
    void CancelAndWait();
    // The ticket of the newest request; a result with another ticket is stale.
    std::uint64_t NewestTicket() const { return m_newest.load(); }

private:
    void Run();

    const std::filesystem::path m_workFolder;
    Finished m_finished;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::optional<std::filesystem::path> m_pending;
    bool m_busy = false;
    bool m_quit = false;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_newest{0};
    std::thread m_thread;
};

}  // namespace marulo::archive
