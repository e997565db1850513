// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace marulo::platform {

// Reads values and key lists from a UTF-8 INI file, matching section and key names without regard
// to ASCII letter case. The file is read anew on every call; nothing is cached.
//
// Rules: a UTF-8 byte-order mark is skipped; CR LF and LF both end a line; lines whose first
// non-blank character is ';' or '#' are comments; "[name]" opens a section; "key = value" gives
// a key, blanks around key and value are dropped, and so is one pair of matching quotes (single
// or double) around the value; lines without '=' and keys before the first section are ignored.
// A section that appears several times is read as one, and the first occurrence of a key wins.
class IniFile {
public:
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

// The longest prefix of text of at most maxBytes bytes that does not split a UTF-8 character.
std::string CutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace marulo::platform
