// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Zip.h"

#include <zip.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace marulo::platform {

ZipWriter::ZipWriter() = default;

ZipWriter::~ZipWriter() {
    Close();
}

bool ZipWriter::Create(const std::filesystem::path& archive) {
    Close();
    int error = 0;
    m_archive = zip_open(archive.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    return m_archive != nullptr;
}

bool ZipWriter::AddFile(const std::string& itemName, const std::filesystem::path& source) {
    if (m_archive == nullptr) {
        return false;
    }
    // A missing source would make the whole archive fail at close; leave it out instead.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(source, ec)) {
        return false;
    }
    zip_source_t* data = zip_source_file(m_archive, source.string().c_str(), 0, -1);
    if (data == nullptr) {
        return false;
    }
    if (zip_file_add(m_archive, itemName.c_str(), data, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
        zip_source_free(data);
        return false;
    }
    return true;
}

bool ZipWriter::Close() {
    if (m_archive == nullptr) {
        return false;
    }
    const bool written = zip_close(m_archive) == 0;
    if (!written) {
        zip_discard(m_archive);
    }
    m_archive = nullptr;
    return written;
}

ZipReader::ZipReader() = default;

ZipReader::~ZipReader() {
    Close();
}

bool ZipReader::Open(const std::filesystem::path& archive) {
    Close();
    int error = 0;
    m_archive = zip_open(archive.string().c_str(), ZIP_RDONLY, &error);
    return m_archive != nullptr;
}

int ZipReader::ItemCount() const {
    if (m_archive == nullptr) {
        return 0;
    }
    return static_cast<int>(zip_get_num_entries(m_archive, 0));
}

std::string ZipReader::ItemName(int index) const {
    if (m_archive == nullptr) {
        return {};
    }
    const char* name = zip_get_name(m_archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_GUESS);
    return name != nullptr ? std::string(name) : std::string();
}

bool ZipReader::ExtractItemToFile(int index, const std::filesystem::path& target) const {
    if (m_archive == nullptr) {
        return false;
    }
    zip_file_t* item = zip_fopen_index(m_archive, static_cast<zip_uint64_t>(index), 0);
    if (item == nullptr) {
        return false;
    }
    const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> itemCloser(item, &zip_fclose);
    const std::unique_ptr<std::FILE, decltype(&std::fclose)> out(
        std::fopen(target.string().c_str(), "wb"), &std::fclose);
    if (!out) {
        return false;
    }
    std::vector<char> chunk(std::size_t{64} * 1024);
    for (;;) {
        const zip_int64_t got = zip_fread(item, chunk.data(), chunk.size());
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (std::fwrite(chunk.data(), 1, static_cast<std::size_t>(got), out.get()) !=
            static_cast<std::size_t>(got)) {
            return false;
        }
    }
}

void ZipReader::Close() {
    if (m_archive != nullptr) {
        zip_discard(m_archive);
        m_archive = nullptr;
    }
}

}  // namespace marulo::platform
