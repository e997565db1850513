// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/Recorder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Zip.h"

namespace marulo::acquisition {

bool PackRunFiles(const std::filesystem::path& archive, const std::filesystem::path& audio,
                  const std::filesystem::path& trace) {
    platform::ZipWriter writer;
    const bool packed = writer.Create(archive) && writer.AddFile(kWorkingWavFile, audio) &&
                        writer.AddFile(kWorkingTraceFile, trace) && writer.Close();
    std::error_code ignored;
    if (packed) {
        std::filesystem::remove(audio, ignored);
        std::filesystem::remove(trace, ignored);
    } else {
        // The recording stays in its files; no older archive may pass for it.
        writer.Close();
        std::filesystem::remove(archive, ignored);
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
    const bool wavOpen = m_wav.Open(m_workFolder / kWorkingWavFile);
    const bool traceOpen = m_trace.Open(m_workFolder / kWorkingTraceFile);
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
    const std::filesystem::path archive = m_workFolder / kWorkingArchive;
    PackRunFiles(archive, m_workFolder / kWorkingWavFile, m_workFolder / kWorkingTraceFile);
    for (RecordSaveListener* listener : ListenersNow()) {
        listener->OnRecordSaved(archive.string());
    }
}

}  // namespace marulo::acquisition
