// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/MonitoringSession.h"

#include <system_error>
#include <utility>

#include "platform/DayNumbers.h"
#include "platform/StdioFile.h"

namespace marulo::session {

namespace {

namespace fs = std::filesystem;

// Whether the run's working files can be made here; a file that exists (from a review) is only
// opened, never cut.
bool CanCreate(std::initializer_list<fs::path> files) {
    for (const fs::path& file : files) {
        std::error_code error;
        const bool existed = fs::exists(file, error);
        if (!platform::OpenStdioFile(file, "ab")) {
            return false;
        }
        if (!existed) {
            fs::remove(file, error);
        }
    }
    return true;
}

}  // namespace

MonitoringSession::MonitoringSession(fs::path workFolder,
                                     acquisition::CaptureController& controller)
    : m_workFolder(std::move(workFolder)), m_controller(controller), m_recorder(m_workFolder) {
    m_recorder.AddRecordSaveListener(*this);
    m_controller.AddListener(*this);
    m_controller.SetErrorReporter(
        [this](const acquisition::CaptureError& error) { Report(CaptureFailed{error}); });
}

MonitoringSession::~MonitoringSession() {
    SetReporter({});
    m_controller.StopCapture();
    m_controller.WaitUntilIdle({});
    m_controller.SetErrorReporter({});
    m_controller.RemoveListener(*this);
}

void MonitoringSession::SetReporter(Reporter reporter) {
    std::lock_guard lock(m_mutex);
    m_reporter = std::move(reporter);
}

void MonitoringSession::Report(SessionReport report) {
    Reporter reporter;
    {
        std::lock_guard lock(m_mutex);
        reporter = m_reporter;
    }
    if (reporter) {
        reporter(std::move(report));
    }
}

void MonitoringSession::RecoverAtStart() {
    RemoveLeftoversOfKilledWork(m_workFolder);
    const RecoveryOutcome recovered = RecoverInterruptedRun(m_workFolder);
    StoreKeptAsideRuns();
    if (recovered.result == RecoveryResult::Stored) {
        Report(InterruptedRunRecovered{recovered.store});
    }
}

void MonitoringSession::StoreKeptAsideRuns() {
    std::vector<fs::path> stored = session::StoreKeptAsideRuns(m_workFolder);
    if (!stored.empty()) {
        Report(KeptAsideRunsStored{std::move(stored)});
    }
}

StartProblem MonitoringSession::Start(const RunProfile& profile) {
    if (m_controller.IsCapturing()) {
        return StartProblem::AlreadyRunning;
    }
    // The previous run may still be storing its record under its own profile; nothing it does
    // waits for the caller, so this ends.
    WaitUntilClosed();
    if (!CanCreate({In(acquisition::kWorkingWavFile), In(acquisition::kWorkingTraceFile),
                    In(kRunMarkerFile)})) {
        return StartProblem::WorkingFilesFailed;
    }
    {
        std::lock_guard lock(m_mutex);
        m_nextProfile = profile;
    }
    m_controller.StartCapture();
    return StartProblem::None;
}

void MonitoringSession::Stop() {
    m_controller.StopCapture();
}

bool MonitoringSession::IsRunning() const {
    return m_controller.IsCapturing();
}

bool MonitoringSession::HoldsWorkingFiles() const {
    return m_controller.AnyThreadRunning();
}

void MonitoringSession::WaitUntilClosed(const std::function<void()>& pump) {
    if (m_controller.AnyThreadRunning()) {
        m_controller.WaitUntilIdle(pump);
    }
}

void MonitoringSession::OnCaptureOpen() {
    {
        std::lock_guard lock(m_mutex);
        m_runProfile = std::exchange(m_nextProfile, std::nullopt);
    }
    m_recorder.OnCaptureOpen();
    // From now until the record is stored the working files hold this run, and after a crash
    // they are stored at the next start under this profile.
    if (m_runProfile) {
        WriteRunMarker(In(kRunMarkerFile), *m_runProfile);
    }
}

void MonitoringSession::OnAudioBlock(std::span<const std::uint8_t> block) {
    m_recorder.OnAudioBlock(block);
}

void MonitoringSession::OnHeartRate(std::int32_t beatsPerMinute) {
    m_recorder.OnHeartRate(beatsPerMinute);
}

void MonitoringSession::OnCaptureClose() {
    m_recorder.OnCaptureClose();
}

void MonitoringSession::OnAudioOverrun() {
    Report(AudioDropped{});
}

void MonitoringSession::OnRecordSaved(const std::string& archivePath) {
    // A run started around the session has no mother: its recording is kept aside, as one
    // whose name cannot form a record name.
    const RunProfile profile = m_runProfile.value_or(RunProfile{});
    const StoreOutcome outcome =
        StoreFinishedRun(m_workFolder, archivePath, In(acquisition::kWorkingWavFile),
                         In(acquisition::kWorkingTraceFile), profile.name, profile.edcText,
                         platform::NowLocalTime());
    SettleRunMarker(In(kRunMarkerFile), outcome);
    m_runProfile.reset();
    Report(RunClosed{outcome});
    // Room for this record may be room for those that were kept aside for want of it.
    if (outcome.result == StoreResult::Stored) {
        StoreKeptAsideRuns();
    }
}

void MonitoringSession::OnRecordingFailed() {
    Report(RecordingFailed{});
}

}  // namespace marulo::session
