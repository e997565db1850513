// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace marulo::archive {

// Items a record's archive may carry beside its audio and trace. Readers that know only the
// audio and trace items pass over them.
inline constexpr std::string_view kMarksItemName = "Marks.txt";
inline constexpr std::string_view kNoteItemName = "Note.txt";

// A parent's short note on a record, in UTF-8 bytes.
inline constexpr std::size_t kMaxNoteBytes = 1000;

// What a parent added to a record: the seconds (from the record's start) at which the baby
// was felt to move, ascending and distinct, and one note.
struct RecordEvents {
    std::vector<std::uint32_t> marks;
    std::string note;
    bool operator==(const RecordEvents&) const = default;
};

enum class EventsProblem {
    None,
    Unreadable,    // not an archive, or an item's data is damaged
    MarksDamaged,  // the marks item is not ascending decimal seconds within a record's length
    NoteDamaged,   // the note item is too long, not UTF-8, or holds control characters
    NoteInvalid,   // a note handed in to be stored breaks the same rules
    WriteFailed,   // the new archive could not be written; the old one is untouched
};

// The marks, one decimal second a line, each line ending in "\n".
std::string EncodeMarks(std::span<const std::uint32_t> marks);
EventsProblem DecodeMarks(std::string_view text, std::vector<std::uint32_t>& marks);

// Whether a note may be stored: at most kMaxNoteBytes of UTF-8 with no control character but
// line breaks and tabs.
bool IsValidNote(std::string_view note);

// Marks sorted, duplicates and seconds past the trace's end dropped.
std::vector<std::uint32_t> TidyMarks(std::vector<std::uint32_t> marks, std::size_t traceSeconds);

// The archive's marks and note; both empty when the archive has none. With NoteDamaged the
// marks read stay, so a new note can replace the damaged one.
EventsProblem ReadRecordEvents(const std::filesystem::path& archive, RecordEvents& events);

// Stores the marks and note in the archive, replacing earlier ones: a new archive with every
// other item copied unchanged is written beside it, checked, and renamed over it, so the
// audio and trace are never at risk. An empty note or no marks leave their item out.
EventsProblem WriteRecordEvents(const std::filesystem::path& archive, const RecordEvents& events);

// Replaces only the note, keeping the marks.
EventsProblem WriteRecordNote(const std::filesystem::path& archive, std::string_view note);

}  // namespace marulo::archive
