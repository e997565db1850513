// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceLock.h"

#include <QLockFile>
#include <QString>

namespace marulo::app {

InstanceLock::InstanceLock(const std::filesystem::path& workFolder)
    : m_lock(
          std::make_unique<QLockFile>(QString::fromStdString((workFolder / kFileName).string()))) {
    // Only a lock whose holder no longer runs is stale, however long a session lasts.
    m_lock->setStaleLockTime(0);
    m_acquired = m_lock->tryLock(0);
}

InstanceLock::~InstanceLock() = default;

}  // namespace marulo::app
