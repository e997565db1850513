// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderLock.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace marulo::platform {

#if defined(__unix__) || defined(__APPLE__)

FolderLock::FolderLock(const std::filesystem::path& folder) {
    m_handle = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_handle < 0) {
        return;
    }
    if (::flock(m_handle, LOCK_EX | LOCK_NB) == 0) {
        m_state = State::Held;
        return;
    }
    m_state = errno == EWOULDBLOCK ? State::HeldByAnother : State::Unsupported;
    ::close(m_handle);
    m_handle = -1;
}

FolderLock::~FolderLock() {
    if (m_handle >= 0) {
        ::close(m_handle);
    }
}

#else

FolderLock::FolderLock(const std::filesystem::path&) {}

FolderLock::~FolderLock() = default;

#endif

}  // namespace marulo::platform
