// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Zip.h"

#include <zip.h>

#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "platform/StdioFile.h"

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

std::optional<int> ZipReader::FindItem(std::string_view storedName) const {
    const int count = ItemCount();
    for (int index = 0; index < count; ++index) {
        const char* name =
            zip_get_name(m_archive, static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        if (name != nullptr && std::string_view(name) == storedName) {
            return index;
        }
    }
    return std::nullopt;
}

std::optional<std::uint64_t> ZipReader::DeclaredSize(int index) const {
    if (m_archive == nullptr) {
        return std::nullopt;
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_archive, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0) {
        return std::nullopt;
    }
    return stat.size;
}

namespace {

using ItemHandle = std::unique_ptr<zip_file_t, decltype(&zip_fclose)>;

ItemHandle OpenItem(zip* archive, int index) {
    if (archive == nullptr || index < 0) {
        return {nullptr, &zip_fclose};
    }
    return {zip_fopen_index(archive, static_cast<zip_uint64_t>(index), 0), &zip_fclose};
}

// Feeds the item's bytes to the sink chunk by chunk until the end, where the library checks the
// CRC; more than maxBytes ends the reading early.
template <typename Sink>
ZipItemResult ReadChunks(zip_file_t* item, std::uint64_t maxBytes, const std::atomic<bool>* stop,
                         Sink&& sink) {
    constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;
    std::vector<unsigned char> chunk(kChunkBytes);
    std::uint64_t total = 0;
    for (;;) {
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
            return ZipItemResult::Stopped;
        }
        const zip_int64_t got = zip_fread(item, chunk.data(), chunk.size());
        if (got < 0) {
            return ZipItemResult::Unreadable;
        }
        if (got == 0) {
            return ZipItemResult::Done;
        }
        const auto size = static_cast<std::uint64_t>(got);
        if (size > maxBytes - total) {
            return ZipItemResult::TooLarge;
        }
        total += size;
        if (!sink(std::span<const unsigned char>(chunk.data(), static_cast<std::size_t>(got)))) {
            return ZipItemResult::WriteFailed;
        }
    }
}

}  // namespace

bool ZipReader::ExtractItemToFile(int index, const std::filesystem::path& target) const {
    return ExtractItem(index, target, kNoByteLimit) == ZipItemResult::Done;
}

ZipItemResult ZipReader::ReadItem(int index, std::uint64_t maxBytes,
                                  std::vector<unsigned char>& content) const {
    content.clear();
    const ItemHandle item = OpenItem(m_archive, index);
    if (!item) {
        return ZipItemResult::Unreadable;
    }
    const ZipItemResult result =
        ReadChunks(item.get(), maxBytes, nullptr, [&](std::span<const unsigned char> bytes) {
            content.insert(content.end(), bytes.begin(), bytes.end());
            return true;
        });
    if (result != ZipItemResult::Done) {
        content.clear();
        content.shrink_to_fit();
    }
    return result;
}

ZipItemResult ZipReader::ExtractItem(int index, const std::filesystem::path& target,
                                     std::uint64_t maxBytes, const std::atomic<bool>* stop) const {
    const ItemHandle item = OpenItem(m_archive, index);
    if (!item) {
        return ZipItemResult::Unreadable;
    }
    StdioFile out = OpenStdioFile(target, "wb");
    if (!out) {
        return ZipItemResult::WriteFailed;
    }
    const ZipItemResult result =
        ReadChunks(item.get(), maxBytes, stop, [&](std::span<const unsigned char> bytes) {
            return std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
        });
    // A failed flush at close loses the item's tail just as a failed write does.
    const bool closed = std::fclose(out.release()) == 0;
    if (result == ZipItemResult::Done && !closed) {
        return ZipItemResult::WriteFailed;
    }
    return result;
}

void ZipReader::Close() {
    if (m_archive != nullptr) {
        zip_discard(m_archive);
        m_archive = nullptr;
    }
}

}  // namespace marulo::platform
