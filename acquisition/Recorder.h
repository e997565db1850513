// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/RecordSaveListener.h"
#include "platform/WorkingFiles.h"
#include "recordformat/TraceFileWriter.h"
#include "recordformat/WavFileWriter.h"

namespace marulo::acquisition {

using platform::kWorkingArchive;
using platform::kWorkingTraceFile;
using platform::kWorkingWavFile;

// Packs a run's audio and trace into an archive under the record's item names and removes them.
// When packing fails they stay, and no partial archive is left. True when packed.
bool PackRunFiles(const std::filesystem::path& archive, const std::filesystem::path& audio,
                  const std::filesystem::path& trace);
// Records every capture run into the working files and packs them into the working archive,
// which it hands to the record-save listeners; all of them lie in the work folder.
// When a working file cannot be created or written, the listeners hear of it once and the run
// keeps what was written; when packing fails, the working files stay for the listeners to keep.
class Recorder final : public AcquisitionListener {
public:
    explicit Recorder(std::filesystem::path workFolder) : m_workFolder(std::move(workFolder)) {}

    void AddRecordSaveListener(RecordSaveListener& listener);
    void RemoveRecordSaveListener(RecordSaveListener& listener);

    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

private:
    // Tells the record-save listeners once per run that the working files fail.
    void ReportFailure();
    // The listeners as they are now, to be called without the lock held.
    std::vector<RecordSaveListener*> ListenersNow();

    const std::filesystem::path m_workFolder;
    recordformat::WavFileWriter m_wav;
    recordformat::TraceFileWriter m_trace;
    std::mutex m_listenersMutex;
    std::vector<RecordSaveListener*> m_listeners;
    bool m_failureReported = false;  // capture thread only
};

}  // namespace marulo::acquisition
