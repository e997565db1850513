// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a WAV file: the full read and the header-only walk must agree and stay in bounds.
#include <cstdlib>
#include <string>

#include "recordformat/WavReader.h"
#include "tests/fuzz/ScratchFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto& file = marulo::fuzz::ScratchFolder::Instance().Write(data, size);
    std::string readError;
    std::string formatError;
    const auto wav = marulo::recordformat::ReadWavFile(file, readError);
    const auto format = marulo::recordformat::ReadWavFormat(file, formatError);
    if (wav.has_value() != format.has_value()) {
        std::abort();
    }
    if (wav && (wav->format != *format || wav->samples.size() > size ||
                wav->format.blockAlign == 0 || wav->samples.size() % wav->format.blockAlign != 0)) {
        std::abort();
    }
    if (!wav && readError.empty()) {
        std::abort();
    }
    return 0;
}
