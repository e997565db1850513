// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>

#include "platform/FolderLock.h"

class QLockFile;

namespace marulo::app {

// Keeps a second copy of the program off a work folder whose working files and records the
// first one owns: a lock on the folder itself, which needs no writing and ends with its process,
// and the lock file beside it. A lock file left by a copy that has died, or whose process id now
// belongs to a copy working on another folder, is taken over. When the lock file cannot be
// written (a full disk) the folder lock alone holds the folder.
class InstanceLock {
public:
    static constexpr const char* kFileName = "Marulo.lock";

    explicit InstanceLock(const std::filesystem::path& workFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another living copy holds the folder, or when nothing could hold it.
    bool Acquired() const { return m_acquired; }
    // The lock file could not be written: the folder cannot be written or the disk is full.
    bool LockFileUnwritten() const { return m_lockFileUnwritten; }

private:
    platform::FolderLock m_folderLock;
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
    bool m_lockFileUnwritten = false;
};

}  // namespace marulo::app
