// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace marulo::platform {

struct StdioFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A C stdio file, closed when it goes. Where a failed close matters, close it with
// std::fclose(file.release()) and check that.
using StdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

// Empty when the file cannot be opened in that mode.
inline StdioFile OpenStdioFile(const std::filesystem::path& file, const char* mode) {
    return StdioFile(std::fopen(file.string().c_str(), mode));
}

}  // namespace marulo::platform
