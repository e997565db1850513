// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/CaptureController.h"
#include "acquisition/RecordSaveListener.h"
#include "acquisition/Recorder.h"
#include "session/RecordStore.h"
#include "session/RunRecovery.h"
#include "session/WorkingFilesOwner.h"

namespace marulo::session {

// A run has closed; the outcome says where its recording lies now.
struct RunClosed {
    StoreOutcome outcome;
};
// The running recording's working files cannot be written any more; what was written is kept.
struct RecordingFailed {};
// The running recording fell so far behind the sound input that sound was dropped; the record
// holds silence for the dropped span and rate 0 for its seconds, and the run goes on. Once per run.
struct AudioDropped {};
// Runs kept aside earlier have now been stored under their record names.
struct KeptAsideRunsStored {
    std::vector<std::filesystem::path> records;
};
// A run an earlier process left when it was cut short has been stored (or kept aside).
struct InterruptedRunRecovered {
    StoreOutcome outcome;
};
// The sound input could not be opened or started, or was lost during a run (which has then been
// closed and stored like any other).
struct CaptureFailed {
    acquisition::CaptureError error;
};

enum class StartProblem {
    None,
    AlreadyRunning,
    WorkingFilesFailed  // the run's working files cannot be made in the work folder
};

// A start that waited for the working files could not open its run when they came free.
struct QueuedStartFailed {
    StartProblem problem;
};

// A "baby moved" mark taken in the open run: the second from its start, and how many marks it
// holds now.
struct MarkTaken {
    std::uint32_t second = 0;
    std::size_t count = 0;
};

using SessionReport =
    std::variant<RunClosed, RecordingFailed, KeptAsideRunsStored, InterruptedRunRecovered,
                 CaptureFailed, AudioDropped, QueuedStartFailed>;

// The life of every monitoring run in one work folder: its start with the mother of that moment,
// the recording of its audio and trace into the working files with the run marker beside them,
// packing and storing under the record name when it closes, keeping aside what cannot be stored,
// and at start-up what earlier processes left. While a run, or a run that is still closing,
// holds the working files, nobody else may touch them.
//
// Reports are handed to the reporter by value, on the capture thread or the caller's; the
// reporter must not wait for anything (a window queues them), so no run ever waits for a user.
// Nothing here waits for a closing run except WaitUntilClosed, for the program's end.
class MonitoringSession final : private acquisition::AcquisitionListener,
                                private acquisition::RecordSaveListener {
public:
    using Reporter = std::function<void(SessionReport)>;
    // Runs work on the thread that starts runs; by default at once, on the thread that let the
    // working files go.
    using Dispatcher = std::function<void(std::function<void()> work)>;

    // Listens to the controller from now on; the folder holds the working files and the records.
    MonitoringSession(std::filesystem::path workFolder, acquisition::CaptureController& controller);
    // Waits until every run has closed and stored its record.
    ~MonitoringSession();
    MonitoringSession(const MonitoringSession&) = delete;
    MonitoringSession& operator=(const MonitoringSession&) = delete;

    const std::filesystem::path& WorkFolder() const { return m_workFolder; }
    void SetReporter(Reporter reporter);
    // Where a start that waited for the working files opens its run.
    void SetDispatcher(Dispatcher dispatcher);
    // Who holds the working files; runs take them at their start and let them go once stored.
    WorkingFilesOwner& WorkingFiles() { return m_files; }

    // Removes what killed work left, stores a run cut short and the runs kept aside; call once
    // at start, before any run or review.
    void RecoverAtStart();

    // Starts a run named from this profile. While someone else holds the working files (a run
    // still closing) the start waits for them without the caller: the run counts as running
    // from now and opens once they are free; the newest start wins.
    StartProblem Start(const RunProfile& profile);
    // Asks the running run to close, or drops a start still waiting; never refused, never waits.
    void Stop();
    // Marks the second the open run is in; stored in its record when it closes. Nothing when no
    // run is open (before its input opens, or once it is asked to stop). Never waits for the run.
    std::optional<MarkTaken> Mark();
    // True from a start, also one still waiting for the working files, until its stop.
    bool IsRunning() const;
    // True while a run, also one that is closing and storing or about to open, holds the working
    // files.
    bool HoldsWorkingFiles() const;
    // Blocks until no run holds the working files, woken when the last one ends. Only where the
    // user can no longer act.
    void WaitUntilClosed();

private:
    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;
    void OnAudioOverrun() override;
    void OnRecordSaved(const std::string& archivePath) override;
    void OnRecordingFailed() override;

    void Report(SessionReport report);
    void StoreKeptAsideRuns();
    // With the working files taken for the run.
    StartProblem Open(const RunProfile& profile);
    void OpenWaitingStart();
    void OnRunEnded();
    std::filesystem::path In(const char* file) const { return m_workFolder / file; }

    const std::filesystem::path m_workFolder;
    acquisition::CaptureController& m_controller;
    acquisition::Recorder m_recorder;

    WorkingFilesOwner m_files;

    mutable std::mutex m_mutex;
    Reporter m_reporter;
    Dispatcher m_dispatcher;
    // The newest start that waits for the working files.
    std::optional<RunProfile> m_waitingStart;
    bool m_waitsForFiles = false;
    // The profile of the run about to open, taken by it on the capture thread.
    std::optional<RunProfile> m_nextProfile;
    // The open run's profile; capture threads only, which never overlap.
    std::optional<RunProfile> m_runProfile;
    // The open run's marks, ascending, while it takes them.
    std::vector<std::uint32_t> m_marks;
    bool m_takesMarks = false;
    // The seconds of trace the open run has written; set on the capture thread.
    std::atomic<std::uint32_t> m_runSeconds = 0;
};

}  // namespace marulo::session
