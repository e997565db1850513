// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace marulo::platform {

// Bytes read once, in order, without seeking: a file, a pipe or an archive item.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Fills into from the front and gives the count: fewer only at the end or on a read error.
    virtual std::size_t Read(std::span<std::uint8_t> into) = 0;

    // Whether reading stopped on an error rather than at the end.
    virtual bool Failed() const = 0;
};

// A file, FIFO or character device, read straight through.
class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(const std::filesystem::path& path);

    bool IsOpen() const { return m_file.is_open(); }
    std::size_t Read(std::span<std::uint8_t> into) override;
    bool Failed() const override { return m_file.bad(); }

private:
    std::ifstream m_file;
};

}  // namespace marulo::platform
