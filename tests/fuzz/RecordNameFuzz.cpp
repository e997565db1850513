// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a record file name from the Data folder, and as a mother's name and due date.
#include <cstdlib>
#include <string>
#include <string_view>

#include "archive/RecordName.h"

namespace archive = marulo::archive;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);

    const std::string key = archive::MotherKey(name);
    if (!name.starts_with(key)) {
        std::abort();
    }
    const auto parts = archive::SplitMotherKey(key);
    const std::string date = archive::EdcDateText(parts.edcDigits);
    archive::ParseRecordStamp(name);
    archive::DecimalPiece(name, size / 2, 4);
    archive::RecordFileMatches(name, parts.name, date);
    archive::HasRecordExtension(name);
    if (archive::CutUtf8(name, size / 2).size() > size / 2) {
        std::abort();
    }

    // The same bytes split into a name and a due date, as typed into the window.
    const std::size_t split = size / 2;
    const std::string_view typedName = name.substr(0, split);
    const std::string_view edc = name.substr(split);
    if (archive::CheckRecordName(typedName, edc) == archive::NameProblem::None) {
        const std::string path =
            archive::RecordFilePath(typedName, edc, {2024, 5, 6, 7, 8, 9, 123});
        // A name that passes the check names a file directly in Data.
        if (!path.starts_with("Data/") || path.find('/', 5) != std::string::npos ||
            path.size() - 5 > archive::MaxFileNameBytes) {
            std::abort();
        }
    }
    return 0;
}
