// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSync.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace marulo::platform {

namespace {

#if defined(__unix__) || defined(__APPLE__)
bool SyncPath(const std::filesystem::path& path, int flags) {
    const int descriptor = ::open(path.c_str(), flags | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool synced = ::fsync(descriptor) == 0;
    ::close(descriptor);
    return synced;
}
#endif

}  // namespace

bool SyncFile(const std::filesystem::path& file) {
#if defined(__unix__) || defined(__APPLE__)
    return SyncPath(file, O_RDONLY);
#else
    // Elsewhere the file system's own write-back has to do.
    std::error_code error;
    return std::filesystem::is_regular_file(file, error);
#endif
}

bool SyncFolder(const std::filesystem::path& folder) {
#if defined(__unix__) || defined(__APPLE__)
    return SyncPath(folder.empty() ? std::filesystem::path(".") : folder, O_RDONLY | O_DIRECTORY);
#else
    std::error_code error;
    return std::filesystem::is_directory(folder.empty() ? std::filesystem::path(".") : folder,
                                         error);
#endif
}

}  // namespace marulo::platform
