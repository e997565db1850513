// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/screenshots/SampleRecord.h"

#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "acquisition/Analysis.h"
#include "platform/Zip.h"

namespace marulo::screenshots {

bool WriteSampleRecord(const std::filesystem::path& archive, const synth::SynthOptions& options,
                       const synth::ListeningOptions& listening) {
    const std::vector<std::uint8_t> audio = synth::SynthesizeCaptureBytes(options, listening);
    std::string error;
    if (!synth::WriteCaptureWav("record.wav", audio, error)) {
        std::cerr << error << '\n';
        return false;
    }
    {
        std::ofstream trace("record.hr", std::ios::binary);
        for (const std::int32_t value : acquisition::AnalyzeCaptureBytes(audio)) {
            const char bytes[4] = {
                static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
            trace.write(bytes, 4);
        }
    }
    platform::ZipWriter zip;
    return zip.Create(archive) && zip.AddFile("Data.wav", "record.wav") &&
           zip.AddFile("Data.hr", "record.hr") && zip.Close();
}

}  // namespace marulo::screenshots
