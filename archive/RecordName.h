// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Utf8.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/DayNumbers.h"

namespace marulo::archive {

// The folder of the stored records, relative to the executable's folder.
inline constexpr std::string_view RecordFolder = "Data";

// The name and the EDC text are read with at most this many bytes.
inline constexpr std::size_t MaxTextBytes = 1023;

// The longest file name the file system takes, in bytes.
inline constexpr std::size_t MaxFileNameBytes = 255;

using platform::CutUtf8;

// The text with every "-" removed.
std::string RemoveDashes(std::string_view text);

// The 17 digits of a record name's time: year, month, day, hour, minute, second, millisecond.
std::string FormatRecordStamp(const platform::LocalTime& storedAt);

// "Data/<name>_<EDC digits>_<yyyyMMddhhmmsszzz>.zip", name and EDC cut to MaxTextBytes.
std::string RecordFilePath(std::string_view name, std::string_view edcText,
                           const platform::LocalTime& storedAt);

// Whether a file name ends with ".zip", in any case, as the file search matches it.
bool HasRecordExtension(std::string_view fileName);

// Whether a bare file name matches "<name>_<EDC digits>_*.zip"; the extension in any case.
bool RecordFileMatches(std::string_view bareFileName, std::string_view name,
                       std::string_view edcDigits);

// Bare names of every regular "*.zip" file in the folder (extension in any case), in the order
// the file system gives them; empty when the folder does not exist.
std::vector<std::string> ListAllRecordFiles(const std::filesystem::path& folder);

// Bare names of the mother's records in the folder, in the order the file system gives them;
// empty when the folder does not exist.
std::vector<std::string> ListRecordFiles(const std::filesystem::path& folder, std::string_view name,
                                         std::string_view edcText);

// The text before the last "_" of a bare record file name (name, "_", EDC digits); empty when
// there is none.
std::string MotherKey(std::string_view bareFileName);

struct MotherKeyParts {
    std::string name;
    std::string edcDigits;
};

// Split at the last "_"; without one the whole key is the name.
MotherKeyParts SplitMotherKey(std::string_view key);

// "<year>-<month>-<day>" from characters 0-3, 4-5 and 6-7; a piece beyond the end is empty.
std::string EdcDateText(std::string_view edcDigits);

// The decimal value at the start of text[pos, pos + count) the way atoi reads it: leading
// white space, a sign, then digits; 0 when there are none or the piece lies beyond the end.
int DecimalPiece(std::string_view text, std::size_t pos, std::size_t count);

// The storing time of a record, to the second; its millisecond is not read and stays 0.
using RecordStamp = platform::CivilDateTime;

// The text after the last "_"; the whole text when there is none.
std::string_view AfterLastSeparator(std::string_view text);

// The storing time from the text after the last "_" (the whole name when there is none).
RecordStamp ParseRecordStamp(std::string_view bareFileName);

// The date of EDC digits that are exactly eight decimal digits forming a calendar date.
std::optional<platform::CivilDateTime> EdcDigitsDate(std::string_view edcDigits);

// The storing time when the text after the last "_" starts with 14 decimal digits that form a
// real date and time of day; nothing for a name placed in the folder by hand without one.
std::optional<RecordStamp> RealRecordStamp(std::string_view bareFileName);

// The real EDC of a record's mother key (the whole key when it has no "_"), or none.
std::optional<platform::CivilDateTime> RecordEdcDate(std::string_view bareFileName);

enum class NameProblem { None, Separator, ControlCharacter, DotName, TooLong };

// Why a name and EDC cannot form a record file name: a folder separator or control character
// in either, a name that is "." or "..", or a file name longer than the file system takes.
NameProblem CheckRecordName(std::string_view name, std::string_view edcText);

// The record path in the work folder for the time, or when a file of that name exists the first
// free one found by advancing the time 1 ms at a time, so that no earlier record is ever replaced.
std::filesystem::path NextFreeRecordPath(const std::filesystem::path& workFolder,
                                         std::string_view name, std::string_view edcText,
                                         const platform::LocalTime& storedAt);

}  // namespace marulo::archive
