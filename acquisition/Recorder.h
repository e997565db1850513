// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/RecordSaveListener.h"
#include "acquisition/TraceFileWriter.h"
#include "acquisition/WavFileWriter.h"

namespace marulo::acquisition {

inline constexpr const char* kWorkingWavFile = "Data.wav";
inline constexpr const char* kWorkingTraceFile = "Data.hr";
inline constexpr const char* kWorkingArchive = "Data.zip";

// Records every capture run into the working files and packs them into the working archive,
// which it hands to the record-save listeners. Paths are relative to the current directory.
class Recorder final : public AcquisitionListener {
public:
    void AddRecordSaveListener(RecordSaveListener& listener);
    void RemoveRecordSaveListener(RecordSaveListener& listener);

    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

private:
    WavFileWriter m_wav;
    TraceFileWriter m_trace;
    std::mutex m_listenersMutex;
    std::vector<RecordSaveListener*> m_listeners;
};

}  // namespace marulo::acquisition
