// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace marulo::testing {

// A fresh empty folder "marulo-<prefix>-XXXXXX" below the temporary folder, removed with all it
// holds at the end of its life; optionally the current directory while it lives.
class TempFolder {
public:
    enum class Current { Keep, Enter };

    explicit TempFolder(std::string_view prefix, Current current = Current::Keep) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("marulo-" + std::string(prefix) + "-XXXXXX"))
                .string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::filesystem::filesystem_error(
                "cannot make a temporary folder", pattern,
                std::error_code(errno, std::generic_category()));
        }
        m_path = pattern;
        if (current == Current::Enter) {
            m_previous = std::filesystem::current_path();
            std::filesystem::current_path(m_path);
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_previous.empty()) {
            std::filesystem::current_path(m_previous, ignored);
        }
        if (!m_kept) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    operator const std::filesystem::path&() const { return m_path; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const {
        return m_path / relative;
    }

    // Leaves the folder in place, for looking into after a failure.
    void Keep() { m_kept = true; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_previous;
    bool m_kept = false;
};

}  // namespace marulo::testing
