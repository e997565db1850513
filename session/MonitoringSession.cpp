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
    m_controller.SetRunEndedNotice([this] { OnRunEnded(); });
}

MonitoringSession::~MonitoringSession() {
    SetReporter({});
    Stop();
    WaitUntilClosed();
    m_controller.SetRunEndedNotice({});
    m_controller.SetErrorReporter({});
    m_controller.RemoveListener(*this);
}

void MonitoringSession::SetReporter(Reporter reporter) {
    std::lock_guard lock(m_mutex);
    m_reporter = std::move(reporter);
}

void MonitoringSession::SetDispatcher(Dispatcher dispatcher) {
    std::lock_guard lock(m_mutex);
    m_dispatcher = std::move(dispatcher);
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
    m_files.TryTake(WorkingFilesHolder::Recovery);
    RemoveLeftoversOfKilledWork(m_workFolder);
    const RecoveryOutcome recovered = RecoverInterruptedRun(m_workFolder);
    StoreKeptAsideRuns();
    m_files.Release(WorkingFilesHolder::Recovery);
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
    if (IsRunning()) {
        return StartProblem::AlreadyRunning;
    }
    if (m_files.TryTake(WorkingFilesHolder::Run)) {
        return Open(profile);
    }
    {
        std::lock_guard lock(m_mutex);
        m_waitingStart = profile;
        if (std::exchange(m_waitsForFiles, true)) {
            return StartProblem::None;
        }
    }
    m_files.WhenFree([this] {
        Dispatcher dispatcher;
        {
            std::lock_guard lock(m_mutex);
            dispatcher = m_dispatcher;
        }
        if (dispatcher) {
            dispatcher([this] { OpenWaitingStart(); });
        } else {
            OpenWaitingStart();
        }
    });
    return StartProblem::None;
}

void MonitoringSession::OpenWaitingStart() {
    std::optional<RunProfile> profile;
    {
        std::lock_guard lock(m_mutex);
        m_waitsForFiles = false;
        profile = std::exchange(m_waitingStart, std::nullopt);
    }
    // Dropped by a stop meanwhile.
    if (!profile) {
        return;
    }
    // Taken by someone else between their release and now: wait again.
    if (!m_files.TryTake(WorkingFilesHolder::Run)) {
        Start(*profile);
        return;
    }
    if (const StartProblem problem = Open(*profile); problem != StartProblem::None) {
        Report(QueuedStartFailed{problem});
    }
}

StartProblem MonitoringSession::Open(const RunProfile& profile) {
    if (!CanCreate({In(acquisition::kWorkingWavFile), In(acquisition::kWorkingTraceFile),
                    In(kRunMarkerFile)})) {
        m_files.Release(WorkingFilesHolder::Run);
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
    {
        std::lock_guard lock(m_mutex);
        m_waitingStart.reset();
        m_takesMarks = false;
    }
    m_files.Hand(WorkingFilesHolder::Run, WorkingFilesHolder::ClosingRun);
    m_controller.StopCapture();
}

std::optional<MarkTaken> MonitoringSession::Mark() {
    const std::uint32_t second = m_runSeconds.load();
    std::lock_guard lock(m_mutex);
    if (!m_takesMarks) {
        return std::nullopt;
    }
    // Two presses within one second are one mark.
    if (m_marks.empty() || m_marks.back() < second) {
        m_marks.push_back(second);
    }
    return MarkTaken{m_marks.back(), m_marks.size()};
}

bool MonitoringSession::IsRunning() const {
    {
        std::lock_guard lock(m_mutex);
        if (m_waitingStart) {
            return true;
        }
    }
    return m_controller.IsCapturing();
}

bool MonitoringSession::HoldsWorkingFiles() const {
    const WorkingFilesHolder holder = m_files.Holder();
    return holder == WorkingFilesHolder::Run || holder == WorkingFilesHolder::ClosingRun ||
           IsRunning();
}

void MonitoringSession::WaitUntilClosed() {
    m_controller.AwaitAllEnded();
}

void MonitoringSession::OnRunEnded() {
    // The record is stored or kept aside by now, or the input never opened.
    m_files.Release(WorkingFilesHolder::Run);
    m_files.Release(WorkingFilesHolder::ClosingRun);
}

void MonitoringSession::OnCaptureOpen() {
    m_runSeconds = 0;
    {
        std::lock_guard lock(m_mutex);
        m_runProfile = std::exchange(m_nextProfile, std::nullopt);
        m_marks.clear();
        m_takesMarks = true;
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
    ++m_runSeconds;
}

void MonitoringSession::OnCaptureClose() {
    {
        std::lock_guard lock(m_mutex);
        m_takesMarks = false;
    }
    m_recorder.OnCaptureClose();
}

void MonitoringSession::OnAudioOverrun() {
    Report(AudioDropped{});
}

void MonitoringSession::OnRecordSaved(const std::string& archivePath) {
    // A run started around the session has no mother: its recording is kept aside, as one
    // whose name cannot form a record name.
    const RunProfile profile = m_runProfile.value_or(RunProfile{});
    std::vector<std::uint32_t> marks;
    {
        std::lock_guard lock(m_mutex);
        marks.swap(m_marks);
    }
    const StoreOutcome outcome =
        StoreFinishedRun(m_workFolder, archivePath, In(acquisition::kWorkingWavFile),
                         In(acquisition::kWorkingTraceFile), profile.name, profile.edcText,
                         platform::NowLocalTime(), RunMarks{std::move(marks), m_runSeconds.load()});
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
