// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>

class QLockFile;

namespace marulo::app {

// The lock file that keeps a second copy of the program off a work folder whose working files
// and records the first one owns. A lock left by a copy that has died is taken over.
class InstanceLock {
public:
    static constexpr const char* kFileName = "Marulo.lock";

    explicit InstanceLock(const std::filesystem::path& workFolder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another living copy holds the folder.
    bool Acquired() const { return m_acquired; }

private:
    std::unique_ptr<QLockFile> m_lock;
    bool m_acquired = false;
};

}  // namespace marulo::app
