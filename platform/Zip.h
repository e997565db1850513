// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct zip;  // libzip archive handle

namespace marulo::platform {

// Writes a new ZIP archive, replacing any file of the same name. Items are stored on Close.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    bool Create(const std::filesystem::path& archive);
    bool AddFile(const std::string& itemName, const std::filesystem::path& source);
    bool Close();

private:
    zip* m_archive = nullptr;
};

// How reading one item ended.
enum class ZipItemResult {
    Done,
    Unreadable,   // the item cannot be opened or its data is damaged (bad data, CRC mismatch)
    TooLarge,     // the item holds more bytes than allowed
    WriteFailed,  // the target cannot be created or written
    Stopped,      // the stop flag was raised
};

inline constexpr std::uint64_t kNoByteLimit = std::numeric_limits<std::uint64_t>::max();

// Reads the items of a ZIP archive.
class ZipReader {
public:
    ZipReader();
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool Open(const std::filesystem::path& archive);
    int ItemCount() const;
    std::string ItemName(int index) const;
    // The index of the first item whose stored name is exactly these bytes.
    std::optional<int> FindItem(std::string_view storedName) const;
    // The uncompressed size the archive declares for the item; nothing when it does not say.
    std::optional<std::uint64_t> DeclaredSize(int index) const;
    // Writes the item's uncompressed content to the file, creating or replacing it.
    bool ExtractItemToFile(int index, const std::filesystem::path& target) const;
    // Reads the whole item into memory, giving up as soon as it holds more than maxBytes.
    ZipItemResult ReadItem(int index, std::uint64_t maxBytes,
                           std::vector<unsigned char>& content) const;
    // Writes the item to the file, giving up when it holds more than maxBytes or the stop flag
    // is raised; what was written by then stays for the caller to remove.
    ZipItemResult ExtractItem(int index, const std::filesystem::path& target,
                              std::uint64_t maxBytes,
                              const std::atomic<bool>* stop = nullptr) const;
    void Close();

private:
    zip* m_archive = nullptr;
};

}  // namespace marulo::platform
