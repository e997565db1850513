// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/mount.h>

#include <cstddef>
#include <filesystem>
#include <string>

namespace marulo::testing {

// A real small file system (tmpfs) mounted on a folder for the holder's life: a disk that fills
// up, or a second file system beside the program. Mounting needs root; check Mounted().
class SmallDisk {
public:
    SmallDisk(const std::filesystem::path& folder, std::size_t bytes) : m_folder(folder) {
        std::filesystem::create_directories(folder);
        m_mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, Options(bytes).c_str()) == 0;
    }
    ~SmallDisk() {
        if (m_mounted) {
            ::umount2(m_folder.c_str(), MNT_DETACH);
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    // Gives the disk room, keeping what it holds, as when the user frees space.
    bool Resize(std::size_t bytes) {
        return ::mount("tmpfs", m_folder.c_str(), "tmpfs", MS_REMOUNT, Options(bytes).c_str()) == 0;
    }

private:
    static std::string Options(std::size_t bytes) { return "size=" + std::to_string(bytes); }

    std::filesystem::path m_folder;
    bool m_mounted = false;
};

}  // namespace marulo::testing
