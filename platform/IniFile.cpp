// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
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

std::string Folded(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    return folded;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
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
    return content;
}

// One parsed file per path, kept while the file's time and size stay the same.
struct CachedFile {
    std::filesystem::file_time_type time;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type readAt;  // when its content was last read
    std::string content;  // what was parsed, to tell a file rewritten within one time tick
    std::shared_ptr<const IniDocument> document;
};

// File times are coarse: a file changed again in the same tick keeps its time. A cached file
// counts only when its time lies clearly before the moment it was read.
constexpr std::chrono::seconds kTimeResolution{2};

bool StillCurrent(const CachedFile& cached, std::filesystem::file_time_type time,
                  std::uintmax_t size) {
    return cached.time == time && cached.size == size &&
           cached.time + kTimeResolution < cached.readAt;
}

std::mutex g_cacheMutex;
std::map<std::filesystem::path, CachedFile> g_cache;

struct Line {
    std::string_view key;
    std::string_view value;
};

// Calls section(name) for every section header and entry(line) for every key, in file order.
template <typename OnSection, typename OnEntry>
void ForEachLine(std::string_view content, OnSection onSection, OnEntry onEntry) {
    if (content.starts_with(kUtf8Bom)) {
        content.remove_prefix(kUtf8Bom.size());
    }
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
            onSection(Trim(name));
            inSection = true;
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
        onEntry(Line{key, Unquote(Trim(line.substr(equals + 1)))});
    }
}

}  // namespace

IniDocument::IniDocument(std::string_view content) {
    Section* current = nullptr;
    ForEachLine(
        content,
        [&](std::string_view name) {
            // A section that appears again continues the first one.
            const auto [known, added] = m_byName.try_emplace(Folded(name), m_sections.size());
            if (added) {
                m_sections.push_back(Section{std::string(name), {}, {}});
            }
            current = &m_sections[known->second];
        },
        [&](const Line& line) {
            if (current->byKey.try_emplace(Folded(line.key), current->entries.size()).second) {
                current->entries.push_back(Entry{std::string(line.key), std::string(line.value)});
            }
        });
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
    const auto found = m_byName.find(Folded(name));
    return found != m_byName.end() ? &m_sections[found->second] : nullptr;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section,
                                                  std::string_view key) const {
    if (const Section* found = FindSection(section)) {
        if (const auto entry = found->byKey.find(Folded(key)); entry != found->byKey.end()) {
            return found->entries[entry->second].value;
        }
    }
    return std::nullopt;
}

std::vector<std::string_view> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string_view> names;
    if (const Section* found = FindSection(section)) {
        for (const Entry& entry : found->entries) {
            names.emplace_back(entry.key);
        }
    }
    return names;
}

bool IniDocument::HasSection(std::string_view section) const {
    return FindSection(section) != nullptr;
}

std::shared_ptr<const IniDocument> IniFile::Read(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return nullptr;
    }
    const auto time = std::filesystem::last_write_time(path, error);
    const std::uintmax_t size = error ? 0 : std::filesystem::file_size(path, error);
    if (error || size > kMaxFileBytes) {
        return nullptr;
    }
    {
        const std::lock_guard lock(g_cacheMutex);
        if (const auto cached = g_cache.find(path);
            cached != g_cache.end() && StillCurrent(cached->second, time, size)) {
            return cached->second.document;
        }
    }
    const auto readAt = std::filesystem::file_time_type::clock::now();
    std::optional<std::string> content = ReadWholeFile(path);
    if (!content || content->size() > kMaxFileBytes) {
        return nullptr;
    }
    const std::lock_guard lock(g_cacheMutex);
    CachedFile& cached = g_cache[path];
    // A file too young to trust its time is compared byte for byte: only a change is parsed.
    if (!cached.document || cached.content != *content) {
        cached.document = std::make_shared<const IniDocument>(*content);
        cached.content = std::move(*content);
    }
    cached.time = time;
    cached.size = size;
    cached.readAt = readAt;
    return cached.document;
}

std::string IniFile::ReadString(const std::filesystem::path& path, std::string_view section,
                                std::string_view key, std::string_view defaultValue,
                                std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    const std::shared_ptr<const IniDocument> document = Read(path);
    std::string_view result = defaultValue;
    if (document) {
        result = document->Find(section, key).value_or(defaultValue);
    }
    return std::string(CutUtf8(result, bufferSize - 1));
}

std::vector<std::string> IniFile::ReadKeyNames(const std::filesystem::path& path,
                                               std::string_view section, std::size_t bufferSize) {
    std::vector<std::string> names;
    const std::shared_ptr<const IniDocument> document = Read(path);
    if (!document || bufferSize == 0) {
        return names;
    }
    std::size_t used = 1;  // the list's closing terminator
    for (const std::string_view name : document->KeyNames(section)) {
        if (used + name.size() + 1 > bufferSize) {
            break;
        }
        used += name.size() + 1;
        names.emplace_back(name);
    }
    return names;
}

}  // namespace marulo::platform
