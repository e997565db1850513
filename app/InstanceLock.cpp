// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceLock.h"

#include <QLockFile>
#include <QString>

#include <system_error>

namespace marulo::app {

InstanceLock::InstanceLock(const std::filesystem::path& workFolder)
    : m_folderLock(workFolder),
      m_lock(
          std::make_unique<QLockFile>(QString::fromStdString((workFolder / kFileName).string()))) {
    using State = platform::FolderLock::State;
    if (m_folderLock.Get() == State::HeldByAnother) {
        return;
    }
    // Only a lock whose holder no longer runs is stale, however long a session lasts.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        m_acquired = true;
        return;
    }
    const bool heldElsewhere = m_lock->error() == QLockFile::LockFailedError;
    if (m_folderLock.Get() != State::Held) {
        m_lockFileUnwritten = !heldElsewhere;
        return;
    }
    if (heldElsewhere) {
        // No copy holds this folder, so the living process the file names works elsewhere.
        std::error_code ignored;
        std::filesystem::remove(workFolder / kFileName, ignored);
        if (m_lock->tryLock(0)) {
            m_acquired = true;
            return;
        }
    }
    m_acquired = true;
    m_lockFileUnwritten = true;
}

InstanceLock::~InstanceLock() = default;

}  // namespace marulo::app
