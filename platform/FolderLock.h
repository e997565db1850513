// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace marulo::platform {

// An advisory lock on a folder, held by the open folder itself: it needs no writing (it holds
// on a full or read-only disk) and ends with the process that holds it, whatever process later
// takes its id. Where the system has no such lock, it is Unsupported.
class FolderLock {
public:
    enum class State {
        Held,
        HeldByAnother,  // another process (or another holder in this one) has the folder
        Unsupported,    // the folder cannot be opened, or the system has no such lock
    };

    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    State Get() const { return m_state; }

private:
    int m_handle = -1;
    State m_state = State::Unsupported;
};

}  // namespace marulo::platform
