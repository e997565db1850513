// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ZipStream.h"

#include <zip.h>

#include <array>
#include <cstring>
#include <fstream>

namespace marulo::platform {

bool LooksLikeZipFile(const std::filesystem::path& path) {
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(path, ignored)) {
        return false;
    }
    std::array<char, 4> magic{};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(magic.data(), magic.size())) {
        return false;
    }
    // A local file header, or the end record of an archive without items.
    return std::memcmp(magic.data(), "PK\x03\x04", 4) == 0 ||
           std::memcmp(magic.data(), "PK\x05\x06", 4) == 0;
}

void ZipItemStream::ArchiveCloser::operator()(zip* archive) const {
    zip_discard(archive);
}

void ZipItemStream::ItemCloser::operator()(zip_file* item) const {
    zip_fclose(item);
}

std::optional<ZipItemStream> ZipItemStream::Open(const std::filesystem::path& archivePath,
                                                 const std::string& itemName, std::string& error) {
    const std::string name = archivePath.string();
    int openError = 0;
    Archive archive(zip_open(name.c_str(), ZIP_RDONLY, &openError));
    if (!archive) {
        zip_error_t why;
        zip_error_init_with_code(&why, openError);
        error = name + ": not a readable ZIP archive (" + zip_error_strerror(&why) + ")";
        zip_error_fini(&why);
        return std::nullopt;
    }
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const auto index = static_cast<zip_uint64_t>(i);
        const char* stored = zip_get_name(archive.get(), index, ZIP_FL_ENC_RAW);
        if (stored == nullptr || itemName != stored) {
            continue;
        }
        Item item(zip_fopen_index(archive.get(), index, 0));
        if (!item) {
            error = name;
            error += ": ";
            error += itemName;
            error += ": cannot open the item (";
            error += zip_strerror(archive.get());
            error += ")";
            return std::nullopt;
        }
        return ZipItemStream(std::move(archive), std::move(item));
    }
    error = name + ": no " + itemName + " in the archive";
    return std::nullopt;
}

std::size_t ZipItemStream::Read(std::span<std::uint8_t> into) {
    std::size_t filled = 0;
    while (filled < into.size() && !m_failed) {
        const zip_int64_t got = zip_fread(m_item.get(), into.data() + filled, into.size() - filled);
        if (got < 0) {
            m_failed = true;
            m_checksumFailed = zip_error_code_zip(zip_file_get_error(m_item.get())) == ZIP_ER_CRC;
        } else if (got == 0) {
            break;
        } else {
            filled += static_cast<std::size_t>(got);
        }
    }
    return filled;
}

}  // namespace marulo::platform
