// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

namespace marulo::platform {

namespace {

constexpr std::string_view kBlanks = " \t\r\f\v";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string content;
    try {
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        return std::nullopt;  // a read error counts as a missing file
    }
    if (content.starts_with(kUtf8Bom)) {
        content.erase(0, kUtf8Bom.size());
    }
    return content;
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// Calls visit(entry) for every key of the named section in file order until visit returns false.
template <typename Visit>
void ForEachEntry(std::string_view content, std::string_view section, Visit visit) {
    bool inSection = false;
    while (!content.empty()) {
        const auto end = content.find('\n');
        const std::string_view line = Trim(content.substr(0, end));
        content = (end == std::string_view::npos) ? std::string_view{} : content.substr(end + 1);

        if (line.empty() || line.front() == ';' || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            const std::string_view name = line.substr(1, line.find(']') - 1);
            inSection = EqualNoCase(Trim(name), section);
            continue;
        }
        const auto equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        if (key.empty()) {
            continue;
        }
        if (!visit(Entry{key, Unquote(Trim(line.substr(equals + 1)))})) {
            return;
        }
    }
}

}  // namespace

std::string CutUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return std::string(text);
    }
    std::size_t cut = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that would split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return std::string(text.substr(0, cut));
}

std::string IniFile::ReadString(const std::filesystem::path& path, std::string_view section,
                                std::string_view key, std::string_view defaultValue,
                                std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    std::string_view result = defaultValue;
    const std::optional<std::string> content = ReadWholeFile(path);
    if (content) {
        ForEachEntry(*content, section, [&](const Entry& entry) {
            if (!EqualNoCase(entry.key, key)) {
                return true;
            }
            result = entry.value;
            return false;
        });
    }
    return CutUtf8(result, bufferSize - 1);
}

std::vector<std::string> IniFile::ReadKeyNames(const std::filesystem::path& path,
                                               std::string_view section, std::size_t bufferSize) {
    std::vector<std::string> names;
    const std::optional<std::string> content = ReadWholeFile(path);
    if (!content || bufferSize == 0) {
        return names;
    }
    std::size_t used = 1;  // the list's closing terminator
    ForEachEntry(*content, section, [&](const Entry& entry) {
        for (const std::string& known : names) {
            if (EqualNoCase(known, entry.key)) {
                return true;
            }
        }
        if (used + entry.key.size() + 1 > bufferSize) {
            return false;
        }
        used += entry.key.size() + 1;
        names.emplace_back(entry.key);
        return true;
    });
    return names;
}

}  // namespace marulo::platform
