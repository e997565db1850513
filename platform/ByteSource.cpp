// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ByteSource.h"

namespace marulo::platform {

FileByteSource::FileByteSource(const std::filesystem::path& path)
    : m_file(path, std::ios::binary) {}

std::size_t FileByteSource::Read(std::span<std::uint8_t> into) {
    // istream::read keeps reading short pipe reads until the count or the end is reached.
    m_file.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
    return static_cast<std::size_t>(m_file.gcount());
}

}  // namespace marulo::platform
