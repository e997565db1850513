// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ExecutablePath.h"

#if defined(_WIN32)
#include <windows.h>

#include <vector>
#elif defined(__APPLE__)
#include <mach-o/dyld.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>
#else
#include <filesystem>
#include <system_error>
#endif

namespace marulo::platform {

#if defined(_WIN32)

std::string ExecutablePath() {
    // Grow the buffer until the whole path fits: a path longer than the classic 260 characters
    // must not be cut into the wrong folder.
    std::vector<wchar_t> wide(260);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
        if (length == 0) {
            return {};
        }
        if (length < wide.size()) {
            wide.resize(length);
            break;
        }
        wide.resize(wide.size() * 2);
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    std::string path(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), path.data(), bytes,
                        nullptr, nullptr);
    return path;
}

#elif defined(__APPLE__)

std::string ExecutablePath() {
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::vector<char> raw(size + 1, '\0');
    if (_NSGetExecutablePath(raw.data(), &size) != 0) {
        return {};
    }
    char resolved[PATH_MAX];
    if (realpath(raw.data(), resolved) == nullptr) {
        return std::string(raw.data());
    }
    return std::string(resolved);
}

#else

std::string ExecutablePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string{} : path.string();
}

#endif

}  // namespace marulo::platform
