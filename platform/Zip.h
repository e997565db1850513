// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>
#include <string>

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
    // Writes the item's uncompressed content to the file, creating or replacing it.
    bool ExtractItemToFile(int index, const std::filesystem::path& target) const;
    void Close();

private:
    zip* m_archive = nullptr;
};

}  // namespace marulo::platform
