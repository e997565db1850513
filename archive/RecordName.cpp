// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/RecordName.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <iterator>
#include <limits>
#include <system_error>

namespace marulo::archive {

namespace {

constexpr std::string_view Extension = ".zip";
constexpr std::size_t StampDigits = 17;

std::string Piece(std::string_view text, std::size_t pos, std::size_t count) {
    return pos < text.size() ? std::string(text.substr(pos, count)) : std::string();
}

platform::LocalTime OneMillisecondLater(const platform::LocalTime& time) {
    using namespace std::chrono;
    const sys_days date = year{time.year} / month{static_cast<unsigned>(time.month)} /
                          day{static_cast<unsigned>(time.day)};
    const sys_time<milliseconds> later = date + hours{time.hour} + minutes{time.minute} +
                                         seconds{time.second} + milliseconds{time.millisecond + 1};
    const sys_days laterDate = floor<days>(later);
    const year_month_day ymd{laterDate};
    const hh_mm_ss clock{later - laterDate};

    platform::LocalTime result;
    result.year = static_cast<int>(ymd.year());
    result.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    result.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    result.hour = static_cast<int>(clock.hours().count());
    result.minute = static_cast<int>(clock.minutes().count());
    result.second = static_cast<int>(clock.seconds().count());
    result.millisecond = static_cast<int>(clock.subseconds().count());
    return result;
}

}  // namespace

std::string RemoveDashes(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(result),
                 [](char c) { return c != '-'; });
    return result;
}

std::string FormatRecordStamp(const platform::LocalTime& storedAt) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d", storedAt.year,
                  storedAt.month, storedAt.day, storedAt.hour, storedAt.minute, storedAt.second,
                  storedAt.millisecond);
    return stamp;
}

std::string RecordFilePath(std::string_view name, std::string_view edcText,
                           const platform::LocalTime& storedAt) {
    const std::string stamp = FormatRecordStamp(storedAt);
    std::string path(RecordFolder);
    path += '/';
    path += CutUtf8(name, MaxTextBytes);
    path += '_';
    path += RemoveDashes(CutUtf8(edcText, MaxTextBytes));
    path += '_';
    path += stamp;
    path += Extension;
    return path;
}

bool HasRecordExtension(std::string_view fileName) {
    if (fileName.size() < Extension.size()) {
        return false;
    }
    const std::string_view tail = fileName.substr(fileName.size() - Extension.size());
    return std::equal(tail.begin(), tail.end(), Extension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

bool RecordFileMatches(std::string_view bareFileName, std::string_view name,
                       std::string_view edcDigits) {
    const std::size_t prefixSize = name.size() + 1 + edcDigits.size() + 1;
    if (bareFileName.size() < prefixSize + Extension.size()) {
        return false;
    }
    return bareFileName.substr(0, name.size()) == name && bareFileName[name.size()] == '_' &&
           bareFileName.substr(name.size() + 1, edcDigits.size()) == edcDigits &&
           bareFileName[prefixSize - 1] == '_' && HasRecordExtension(bareFileName);
}

std::vector<std::string> ListAllRecordFiles(const std::filesystem::path& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) {
            continue;
        }
        std::string bare = it->path().filename().string();
        if (HasRecordExtension(bare)) {
            files.push_back(std::move(bare));
        }
    }
    return files;
}

std::vector<std::string> ListRecordFiles(const std::filesystem::path& folder, std::string_view name,
                                         std::string_view edcText) {
    const std::string edcDigits = RemoveDashes(CutUtf8(edcText, MaxTextBytes));
    const std::string_view cutName = CutUtf8(name, MaxTextBytes);
    std::vector<std::string> files = ListAllRecordFiles(folder);
    std::erase_if(files, [&](const std::string& bare) {
        return !RecordFileMatches(bare, cutName, edcDigits);
    });
    return files;
}

std::string MotherKey(std::string_view bareFileName) {
    const auto separator = bareFileName.rfind('_');
    return separator == std::string_view::npos ? std::string()
                                               : std::string(bareFileName.substr(0, separator));
}

MotherKeyParts SplitMotherKey(std::string_view key) {
    const auto separator = key.rfind('_');
    if (separator == std::string_view::npos) {
        return {std::string(key), std::string()};
    }
    return {std::string(key.substr(0, separator)), std::string(key.substr(separator + 1))};
}

std::string EdcDateText(std::string_view edcDigits) {
    return Piece(edcDigits, 0, 4) + '-' + Piece(edcDigits, 4, 2) + '-' + Piece(edcDigits, 6, 2);
}

int DecimalPiece(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos >= text.size()) {
        return 0;
    }
    const std::string_view piece = text.substr(pos, count);
    std::size_t i = 0;
    while (i < piece.size() && std::isspace(static_cast<unsigned char>(piece[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) {
        negative = piece[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < piece.size() && std::isdigit(static_cast<unsigned char>(piece[i])); ++i) {
        value = std::min(value * 10 + (piece[i] - '0'), 1LL << 31);
    }
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                                  std::numeric_limits<int>::max()));
}

std::string_view AfterLastSeparator(std::string_view text) {
    const auto separator = text.rfind('_');
    return separator == std::string_view::npos ? text : text.substr(separator + 1);
}

RecordStamp ParseRecordStamp(std::string_view bareFileName) {
    const std::string_view stamp = AfterLastSeparator(bareFileName);
    RecordStamp result;
    result.year = DecimalPiece(stamp, 0, 4);
    result.month = DecimalPiece(stamp, 4, 2);
    result.day = DecimalPiece(stamp, 6, 2);
    result.hour = DecimalPiece(stamp, 8, 2);
    result.minute = DecimalPiece(stamp, 10, 2);
    result.second = DecimalPiece(stamp, 12, 2);
    return result;
}

namespace {

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsRealTime(const platform::CivilDateTime& time) {
    return platform::DayNumberFromCivil(time.year, time.month, time.day, time.hour, time.minute,
                                        time.second)
        .has_value();
}

}  // namespace

std::optional<platform::CivilDateTime> EdcDigitsDate(std::string_view edcDigits) {
    if (edcDigits.size() != 8 || !AllDigits(edcDigits)) {
        return std::nullopt;
    }
    platform::CivilDateTime date;
    date.year = DecimalPiece(edcDigits, 0, 4);
    date.month = DecimalPiece(edcDigits, 4, 2);
    date.day = DecimalPiece(edcDigits, 6, 2);
    return IsRealTime(date) ? std::optional(date) : std::nullopt;
}

std::optional<RecordStamp> RealRecordStamp(std::string_view bareFileName) {
    const std::string_view stamp = AfterLastSeparator(bareFileName);
    if (stamp.size() < 14 || !AllDigits(stamp.substr(0, 14))) {
        return std::nullopt;
    }
    const RecordStamp time = ParseRecordStamp(bareFileName);
    return IsRealTime(time) ? std::optional(time) : std::nullopt;
}

NameProblem CheckRecordName(std::string_view name, std::string_view edcText) {
    const std::string edcDigits = RemoveDashes(edcText);
    const auto hasAny = [&](auto predicate) {
        return std::any_of(name.begin(), name.end(), predicate) ||
               std::any_of(edcDigits.begin(), edcDigits.end(), predicate);
    };
    if (hasAny([](char c) { return c == '/' || c == '\\'; })) {
        return NameProblem::Separator;
    }
    if (hasAny([](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        return NameProblem::ControlCharacter;
    }
    if (name == "." || name == "..") {
        return NameProblem::DotName;
    }
    const std::size_t fileNameBytes =
        name.size() + 1 + edcDigits.size() + 1 + StampDigits + Extension.size();
    return fileNameBytes > MaxFileNameBytes ? NameProblem::TooLong : NameProblem::None;
}

std::filesystem::path NextFreeRecordPath(const std::filesystem::path& workFolder,
                                         std::string_view name, std::string_view edcText,
                                         const platform::LocalTime& storedAt) {
    // Every existing file blocks one name only, so this ends after at most one step per file.
    platform::LocalTime time = storedAt;
    for (;;) {
        std::filesystem::path candidate = workFolder / RecordFilePath(name, edcText, time);
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, error))) {
            return candidate;
        }
        time = OneMillisecondLater(time);
    }
}

std::optional<platform::CivilDateTime> RecordEdcDate(std::string_view bareFileName) {
    return EdcDigitsDate(AfterLastSeparator(MotherKey(bareFileName)));
}

}  // namespace marulo::archive
