// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a configuration or language file, read the way the program reads its texts.
#include <cstdlib>
#include <string>

#include "platform/IniFile.h"
#include "tests/fuzz/ScratchFile.h"

namespace {

using marulo::platform::IniFile;

// The result may not keep more than bufferSize - 1 bytes nor end inside a UTF-8 character.
void CheckCut(const std::string& value, std::size_t bufferSize) {
    if (value.size() >= bufferSize) {
        std::abort();
    }
    if (!value.empty() && marulo::platform::CutUtf8(value, value.size()) != value) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte picks the buffer size, so short and long limits are both met.
    const std::size_t bufferSize = 1 + data[0] % 64;
    const auto& file = marulo::fuzz::ScratchFolder::Instance().Write(data + 1, size - 1);
    for (const char* key : {"Title", "Error", "FontName"}) {
        CheckCut(IniFile::ReadString(file, "Message", key, "", bufferSize), bufferSize);
    }
    CheckCut(IniFile::ReadString(file, "Font", "Size", "", 4096), 4096);
    std::size_t listed = 1;
    for (const std::string& name : IniFile::ReadKeyNames(file, "Language", bufferSize)) {
        listed += name.size() + 1;
    }
    if (listed > bufferSize) {
        std::abort();
    }
    return 0;
}
