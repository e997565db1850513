// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Recorder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Zip.h"

namespace marulo::acquisition {

bool PackWorkingFiles() {
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
    return packed;
}

std::vector<RecordSaveListener*> Recorder::ListenersNow() {
    std::lock_guard lock(m_listenersMutex);
    return m_listeners;
}

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
    for (RecordSaveListener* listener : ListenersNow()) {
        listener->OnRecordingFailed();
    }
}

void Recorder::OnCaptureClose() {
    m_wav.Close();
    m_trace.Close();
    PackWorkingFiles();
    for (RecordSaveListener* listener : ListenersNow()) {
        listener->OnRecordSaved(kWorkingArchive);
    }
}

}  // namespace marulo::acquisition
