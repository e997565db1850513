// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "tools/synth/SyntheticRecording.h"

namespace marulo::screenshots {

// Writes a record archive as the program stores one: the synthetic audio as Data.wav and the
// rates the detector reports for it as Data.hr. Scratch files go to the current folder.
bool WriteSampleRecord(const std::filesystem::path& archive, const synth::SynthOptions& options,
                       const synth::ListeningOptions& listening = {});

}  // namespace marulo::screenshots
