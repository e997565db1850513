// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace marulo::fuzz {

// The readers under test take paths, so every input goes through one file in a private folder
// that is also the current directory (what the program writes lands there) and goes at exit.
class ScratchFolder {
public:
    static ScratchFolder& Instance() {
        static ScratchFolder folder;
        return folder;
    }

    const std::filesystem::path& Write(const std::uint8_t* data, std::size_t size) {
        std::ofstream(m_input, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        return m_input;
    }

    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

private:
    ScratchFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "marulo-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern;
        std::filesystem::current_path(m_path);
        m_input = m_path / "input";
    }

    std::filesystem::path m_path;
    std::filesystem::path m_input;
};

}  // namespace marulo::fuzz
