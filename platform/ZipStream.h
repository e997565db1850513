// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/ByteSource.h"

struct zip;
struct zip_file;

namespace marulo::platform {

// Whether the file is a ZIP archive by its first bytes. Only a regular file is looked at: a pipe
// is never read here, as the bytes taken could not be given back.
bool LooksLikeZipFile(const std::filesystem::path& path);

// One item of a ZIP archive, uncompressed as it is read, never unpacked in full.
class ZipItemStream final : public ByteSource {
public:
    // Opens the first item at the archive's top level named exactly itemName (as stored, in any
    // encoding). On failure gives nothing and one line saying why, starting with the archive's
    // name.
    static std::optional<ZipItemStream> Open(const std::filesystem::path& archive,
                                             const std::string& itemName, std::string& error);

    std::size_t Read(std::span<std::uint8_t> into) override;
    bool Failed() const override { return m_failed; }
    // Whether the read failed because the item's bytes do not match its check sum.
    bool ChecksumFailed() const { return m_checksumFailed; }

private:
    struct ArchiveCloser {
        void operator()(zip* archive) const;
    };
    struct ItemCloser {
        void operator()(zip_file* item) const;
    };
    using Archive = std::unique_ptr<zip, ArchiveCloser>;
    using Item = std::unique_ptr<zip_file, ItemCloser>;

    ZipItemStream(Archive archive, Item item)
        : m_archive(std::move(archive)), m_item(std::move(item)) {}

    Archive m_archive;  // declared first: the item is closed before its archive
    Item m_item;
    bool m_failed = false;
    bool m_checksumFailed = false;
};

}  // namespace marulo::platform
