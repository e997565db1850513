// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Utf8.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace marulo::platform {

// The sections and keys of INI text, parsed once, by the rules of IniFile.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(std::string_view content);

    // The first value of the key in the section; nothing when either is missing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;
    // The section's key names in file order, each once (first spelling).
    std::vector<std::string_view> KeyNames(std::string_view section) const;
    bool HasSection(std::string_view section) const;

private:
    struct Entry {
        std::string key;
        std::string value;
    };
    // Entries in file order, indexed by their key in lower case, so that a file of many keys is
    // read and looked up in time that grows with its size, not with its square.
    struct Section {
        std::string name;
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> byKey;
    };
    const Section* FindSection(std::string_view name) const;

    std::vector<Section> m_sections;
    std::unordered_map<std::string, std::size_t> m_byName;  // section name in lower case
};

// Reads values and key lists from a UTF-8 INI file, matching section and key names without regard
// to ASCII letter case. A file is parsed once and parsed again only when its time or size
// changes; a file larger than kMaxFileBytes counts as missing.
//
// Rules: a UTF-8 byte-order mark is skipped; CR LF and LF both end a line; lines whose first
// non-blank character is ';' or '#' are comments; "[name]" opens a section; "key = value" gives
// a key, blanks around key and value are dropped, and so is one pair of matching quotes (single
// or double) around the value; lines without '=' and keys before the first section are ignored.
// A section that appears several times is read as one, and the first occurrence of a key wins.
class IniFile {
public:
    static constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{16} * 1024 * 1024;

    // The file's parsed content; nothing when it is missing, unreadable or too large.
    static std::shared_ptr<const IniDocument> Read(const std::filesystem::path& path);

    // The key's value, or the default when the file, the section or the key is missing. A key
    // present with an empty value gives an empty text. The result keeps at most bufferSize - 1
    // bytes, cut before any UTF-8 character that would not fit whole.
    static std::string ReadString(const std::filesystem::path& path, std::string_view section,
                                  std::string_view key, std::string_view defaultValue,
                                  std::size_t bufferSize);

    // The key names of a section in file order, each listed once (first spelling). The list keeps
    // as many whole names as fit in bufferSize bytes when each name takes its length plus a
    // terminator and the list ends with one more terminator; a name that does not fit whole ends
    // the list.
    static std::vector<std::string> ReadKeyNames(const std::filesystem::path& path,
                                                 std::string_view section, std::size_t bufferSize);
};

}  // namespace marulo::platform
