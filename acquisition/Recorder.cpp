// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Recorder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Zip.h"

namespace marulo::acquisition {

void Recorder::AddRecordSaveListener(RecordSaveListener& listener) {
    std::lock_guard lock(m_listenersMutex);
    m_listeners.push_back(&listener);
}

void Recorder::RemoveRecordSaveListener(RecordSaveListener& listener) {
    std::lock_guard lock(m_listenersMutex);
    std::erase(m_listeners, &listener);
}

void Recorder::OnCaptureOpen() {
    m_failureReported = false;
    const bool wavOpen = m_wav.Open(kWorkingWavFile);
    const bool traceOpen = m_trace.Open(kWorkingTraceFile);
    if (!wavOpen || !traceOpen) {
        ReportFailure();
    }
}

void Recorder::OnAudioBlock(std::span<const std::uint8_t> block) {
    if (!m_wav.Append(block) && m_wav.IsOpen()) {
        ReportFailure();
    }
}

void Recorder::OnHeartRate(std::int32_t beatsPerMinute) {
    if (!m_trace.Write(beatsPerMinute) && m_trace.IsOpen()) {
        ReportFailure();
    }
}

void Recorder::ReportFailure() {
    if (m_failureReported) {
        return;
    }
    m_failureReported = true;
    std::vector<RecordSaveListener*> listeners;
    {
        std::lock_guard lock(m_listenersMutex);
        listeners = m_listeners;
    }
    for (RecordSaveListener* listener : listeners) {
        listener->OnRecordingFailed();
    }
}

void Recorder::OnCaptureClose() {
    m_wav.Close();
    m_trace.Close();
    platform::ZipWriter archive;
    const bool packed = archive.Create(kWorkingArchive) &&
                        archive.AddFile(kWorkingWavFile, kWorkingWavFile) &&
                        archive.AddFile(kWorkingTraceFile, kWorkingTraceFile) && archive.Close();
    std::error_code ignored;
    if (packed) {
        std::filesystem::remove(kWorkingWavFile, ignored);
        std::filesystem::remove(kWorkingTraceFile, ignored);
    } else {
        // The recording stays in the working files; no older archive may pass for it.
        archive.Close();
        std::filesystem::remove(kWorkingArchive, ignored);
    }

    std::vector<RecordSaveListener*> listeners;
    {
        std::lock_guard lock(m_listenersMutex);
        listeners = m_listeners;
    }
    for (RecordSaveListener* listener : listeners) {
        listener->OnRecordSaved(kWorkingArchive);
    }
}

}  // namespace marulo::acquisition
