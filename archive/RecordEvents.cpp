// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordEvents.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <system_error>

#include "archive/RecordArchive.h"
#include "platform/FileSync.h"
#include "platform/Zip.h"
#include "recordformat/TraceFormat.h"

namespace marulo::archive {

namespace fs = std::filesystem;

namespace {

// Length of the UTF-8 sequence starting at text[pos], or 0 when it is not well formed.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length = 0;
    unsigned int low = 0x80;
    unsigned int high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (pos + length > text.size() || byte(pos + 1) < low || byte(pos + 1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(pos + i) < 0x80 || byte(pos + i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string_view AsText(const std::vector<unsigned char>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// The item's bytes when it is there and no larger than the limit; TooLarge reads as damage.
EventsProblem ReadOptionalItem(const platform::ZipReader& zip, std::string_view name,
                               std::uint64_t maxBytes, EventsProblem damaged,
                               std::optional<std::vector<unsigned char>>& content) {
    const std::optional<int> item = zip.FindItem(name);
    if (!item) {
        return EventsProblem::None;
    }
    content.emplace();
    switch (zip.ReadItem(*item, maxBytes, *content)) {
        case platform::ZipItemResult::Done:
            return EventsProblem::None;
        case platform::ZipItemResult::TooLarge:
            return damaged;
        default:
            return EventsProblem::Unreadable;
    }
}

fs::path PathBeside(const fs::path& archive, std::string_view suffix) {
    fs::path path = archive;
    path += suffix;
    return path;
}

// Removes the files it was given when it goes out of scope.
class ScratchFiles {
public:
    ScratchFiles() = default;
    ScratchFiles(const ScratchFiles&) = delete;
    ScratchFiles& operator=(const ScratchFiles&) = delete;
    ~ScratchFiles() {
        std::error_code ignored;
        for (const fs::path& file : m_files) {
            fs::remove(file, ignored);
        }
    }
    const fs::path& Add(fs::path file) { return m_files.emplace_back(std::move(file)); }

private:
    std::vector<fs::path> m_files;
};

bool SameItems(const fs::path& written, const std::vector<std::string>& names) {
    platform::ZipReader check;
    if (!check.Open(written) || check.ItemCount() != static_cast<int>(names.size())) {
        return false;
    }
    for (int i = 0; i < check.ItemCount(); ++i) {
        if (check.ItemName(i) != names[static_cast<std::size_t>(i)]) {
            return false;
        }
    }
    return true;
}

// Scratch files of a rewrite that was killed: the archive's name followed by ".part".
void RemoveStaleScratch(const fs::path& archive) {
    const std::string prefix = archive.filename().string() + ".part";
    const fs::path folder = archive.has_parent_path() ? archive.parent_path() : fs::path(".");
    std::error_code error;
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().filename().string().starts_with(prefix)) {
            stale.push_back(it->path());
        }
    }
    for (const fs::path& file : stale) {
        fs::remove(file, error);
    }
}

}  // namespace

std::string EncodeMarks(std::span<const std::uint32_t> marks) {
    std::string text;
    for (const std::uint32_t second : marks) {
        text += std::to_string(second);
        text.push_back('\n');
    }
    return text;
}

EventsProblem DecodeMarks(std::string_view text, std::vector<std::uint32_t>& marks) {
    marks.clear();
    std::optional<std::uint32_t> previous;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos || end == 0) {
            marks.clear();
            return EventsProblem::MarksDamaged;
        }
        std::uint32_t second = 0;
        const auto [ptr, error] = std::from_chars(text.data(), text.data() + end, second);
        if (error != std::errc() || ptr != text.data() + end ||
            second >= recordformat::kMaxTraceSeconds || (previous && second <= *previous)) {
            marks.clear();
            return EventsProblem::MarksDamaged;
        }
        marks.push_back(second);
        previous = second;
        text.remove_prefix(end + 1);
    }
    return EventsProblem::None;
}

bool IsValidNote(std::string_view note) {
    if (note.size() > kMaxNoteBytes) {
        return false;
    }
    for (std::size_t pos = 0; pos < note.size();) {
        const auto byte = static_cast<unsigned char>(note[pos]);
        if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            return false;
        }
        const std::size_t length = Utf8SequenceLength(note, pos);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::vector<std::uint32_t> TidyMarks(std::vector<std::uint32_t> marks, std::size_t traceSeconds) {
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    std::erase_if(marks, [&](std::uint32_t second) { return second >= traceSeconds; });
    return marks;
}

EventsProblem ReadRecordEvents(const fs::path& archive, RecordEvents& events) {
    events = {};
    platform::ZipReader zip;
    if (!zip.Open(archive)) {
        return EventsProblem::Unreadable;
    }
    // Each mark line is at most 7 digits and a line break.
    std::optional<std::vector<unsigned char>> marks;
    EventsProblem problem =
        ReadOptionalItem(zip, kMarksItemName, recordformat::kMaxTraceSeconds * 8,
                         EventsProblem::MarksDamaged, marks);
    if (problem != EventsProblem::None) {
        return problem;
    }
    if (marks && (problem = DecodeMarks(AsText(*marks), events.marks)) != EventsProblem::None) {
        return problem;
    }
    std::optional<std::vector<unsigned char>> note;
    problem = ReadOptionalItem(zip, kNoteItemName, kMaxNoteBytes, EventsProblem::NoteDamaged, note);
    if (problem != EventsProblem::None) {
        return problem;
    }
    if (note) {
        if (!IsValidNote(AsText(*note))) {
            return EventsProblem::NoteDamaged;
        }
        events.note.assign(AsText(*note));
    }
    return EventsProblem::None;
}

EventsProblem WriteRecordEvents(const fs::path& archive, const RecordEvents& events) {
    if (!IsValidNote(events.note)) {
        return EventsProblem::NoteInvalid;
    }
    platform::ZipReader source;
    if (!source.Open(archive)) {
        return EventsProblem::Unreadable;
    }
    RemoveStaleScratch(archive);
    // The items go through files beside the archive, so a record never needs to fit in memory.
    ScratchFiles scratch;
    const fs::path temporary = scratch.Add(PathBeside(archive, ".part"));
    platform::ZipWriter writer;
    if (!writer.Create(temporary)) {
        return EventsProblem::WriteFailed;
    }
    std::vector<std::string> names;
    for (int i = 0; i < source.ItemCount(); ++i) {
        const std::string name = source.ItemName(i);
        if (name == kMarksItemName || name == kNoteItemName) {
            continue;
        }
        const fs::path& copy = scratch.Add(PathBeside(archive, ".part" + std::to_string(i)));
        // No item of a record is larger than its audio may be; more is a forged archive.
        switch (source.ExtractItem(i, copy, kMaxAudioBytes)) {
            case platform::ZipItemResult::Done:
                break;
            case platform::ZipItemResult::WriteFailed:
                return EventsProblem::WriteFailed;
            default:
                return EventsProblem::Unreadable;
        }
        if (!writer.AddFile(name, copy)) {
            return EventsProblem::WriteFailed;
        }
        names.push_back(name);
    }
    const auto addText = [&](std::string_view name, std::string_view text) {
        const fs::path& file = scratch.Add(PathBeside(archive, ".part-" + std::string(name)));
        const std::span bytes(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        names.emplace_back(name);
        return WriteFileWhole(file, bytes) == RecordProblem::None &&
               writer.AddFile(std::string(name), file);
    };
    if (!events.marks.empty() && !addText(kMarksItemName, EncodeMarks(events.marks))) {
        return EventsProblem::WriteFailed;
    }
    if (!events.note.empty() && !addText(kNoteItemName, events.note)) {
        return EventsProblem::WriteFailed;
    }
    source.Close();
    if (!writer.Close() || !SameItems(temporary, names) || !platform::SyncFile(temporary)) {
        return EventsProblem::WriteFailed;
    }
    std::error_code error;
    fs::rename(temporary, archive, error);
    if (error) {
        return EventsProblem::WriteFailed;
    }
    platform::SyncFolder(archive.has_parent_path() ? archive.parent_path() : fs::path("."));
    return EventsProblem::None;
}

EventsProblem WriteRecordNote(const fs::path& archive, std::string_view note) {
    if (!IsValidNote(note)) {
        return EventsProblem::NoteInvalid;
    }
    RecordEvents events;
    const EventsProblem problem = ReadRecordEvents(archive, events);
    // A damaged note is what the new one replaces; damaged marks are not dropped silently.
    if (problem != EventsProblem::None && problem != EventsProblem::NoteDamaged) {
        return problem;
    }
    events.note.assign(note);
    return WriteRecordEvents(archive, events);
}

}  // namespace marulo::archive
