// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/RecordStore.h"

#include <cstdio>
#include <system_error>

#include "archive/RecordName.h"

namespace marulo::mainwnd {

namespace {

namespace fs = std::filesystem;

// Moves without ever replacing an existing file.
bool MoveToFreeName(const fs::path& from, const fs::path& to) {
    std::error_code error;
    if (fs::exists(to, error)) {
        return false;
    }
    fs::rename(from, to, error);
    return !error;
}

}  // namespace

fs::path FreeUnsavedArchivePath(const platform::LocalTime& storedAt) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.4d%.2d%.2d%.2d%.2d%.2d%.3d", storedAt.year,
                  storedAt.month, storedAt.day, storedAt.hour, storedAt.minute, storedAt.second,
                  storedAt.millisecond);
    const std::string base = std::string("Data-unsaved-") + stamp;
    fs::path candidate = base + ".zip";
    std::error_code error;
    for (int number = 2; fs::exists(candidate, error); ++number) {
        candidate = base + "-" + std::to_string(number) + ".zip";
    }
    return candidate;
}

StoreOutcome StoreWorkingArchive(const fs::path& archive, std::string_view name,
                                 std::string_view edcText, const platform::LocalTime& storedAt) {
    std::error_code error;
    if (!fs::is_regular_file(archive, error)) {
        return {StoreResult::NothingToStore, {}};
    }
    fs::create_directories(archive::RecordFolder, error);
    if (archive::CheckRecordName(name, edcText) == archive::NameProblem::None) {
        const fs::path target = archive::NextFreeRecordPath(name, edcText, storedAt);
        if (MoveToFreeName(archive, target)) {
            return {StoreResult::Stored, target};
        }
    }
    const fs::path aside = FreeUnsavedArchivePath(storedAt);
    if (MoveToFreeName(archive, aside)) {
        return {StoreResult::KeptAside, aside};
    }
    return {StoreResult::LeftInPlace, archive};
}

}  // namespace marulo::mainwnd
