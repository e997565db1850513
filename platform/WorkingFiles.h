// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace marulo::platform {

// The working files in the work folder, shared by the recording run and the review: one owner at
// a time.
inline constexpr const char* kWorkingWavFile = "Data.wav";
inline constexpr const char* kWorkingTraceFile = "Data.hr";
inline constexpr const char* kWorkingArchive = "Data.zip";

}  // namespace marulo::platform
