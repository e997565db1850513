// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordLoader.h"

#include <utility>

namespace marulo::archive {

RecordLoader::RecordLoader(std::filesystem::path workFolder, Finished finished)
    : m_workFolder(std::move(workFolder)),
      m_finished(std::move(finished)),
      m_thread([this] { Run(); }) {}

RecordLoader::~RecordLoader() {
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        m_pending.reset();
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

std::uint64_t RecordLoader::Load(std::filesystem::path archive) {
    std::uint64_t ticket = 0;
    {
        const std::lock_guard lock(m_mutex);
        ticket = ++m_newest;
        m_pending = std::move(archive);
        m_stop = true;
    }
    m_wake.notify_all();
    return ticket;
}

void RecordLoader::CancelAndWait() {
    std::unique_lock lock(m_mutex);
    ++m_newest;
    m_pending.reset();
    m_stop = true;
    m_idle.wait(lock, [this] { return !m_busy; });
}

void RecordLoader::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || m_pending.has_value(); });
        if (m_quit) {
            return;
        }
        const std::filesystem::path archive = std::move(*m_pending);
        m_pending.reset();
        const std::uint64_t ticket = m_newest;
        m_stop = false;
        m_busy = true;
        lock.unlock();

        LoadedRecord record = UnpackRecord(archive, m_workFolder, &m_stop);
        m_finished(ticket, std::move(record));

        lock.lock();
        m_busy = false;
        m_idle.notify_all();
    }
}

}  // namespace marulo::archive
