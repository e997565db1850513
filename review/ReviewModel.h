// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/RecordEvents.h"
#include "archive/RecordFiles.h"
#include "jobs/LatestJob.h"
#include "review/RecordCheck.h"
#include "session/WorkingFilesOwner.h"

namespace marulo::review {

// The record under review: unpacked into the working files while the owner grants them to the
// review, its trace and audio, and the check of its sound, computed once and handed to the chart
// and the reports. Loading and the check run off the owner's thread; the newest load wins and
// nothing here ever waits for them. Used from one thread, whose queue post reaches.
class ReviewModel {
public:
    using Loaded = std::function<void(archive::RecordProblem problem)>;
    using Checked = std::function<void()>;

    ReviewModel(std::filesystem::path workFolder, session::WorkingFilesOwner& files,
                jobs::LatestJob::Post post);
    // Waits for the worker to leave the working files (teardown only), then lets them go.
    ~ReviewModel();
    ReviewModel(const ReviewModel&) = delete;
    ReviewModel& operator=(const ReviewModel&) = delete;

    // Told once a load is done (the values are in), and once its check is.
    void SetLoaded(Loaded loaded) { m_loaded = std::move(loaded); }
    void SetChecked(Checked checked) { m_checked = std::move(checked); }

    // Starts unpacking the archive in place of whatever was under review. False, and nothing
    // changes, while a run, a closing run or recovery holds the working files.
    bool Load(std::filesystem::path archive);
    // Forgets the record; the working files are let go once the worker has left them.
    void Clear();

    bool IsLoading() const { return m_loading; }
    // The archive loaded or being loaded; empty when none.
    const std::filesystem::path& Archive() const { return m_archive; }
    const std::vector<std::int32_t>& Trace() const { return m_trace; }
    // The record's "baby moved" marks and note, read with it; empty when it has none or they are
    // damaged, which EventsProblem then says.
    const archive::RecordEvents& Events() const { return m_events; }
    archive::EventsProblem EventsProblem() const { return m_eventsProblem; }
    // A new note stored for the record under review (from its archive, by the caller).
    void SetNote(std::string note) { m_events.note = std::move(note); }
    // Empty when the record has no audio or none is loaded.
    const std::string& AudioPath() const { return m_audioPath; }
    // Nothing until the check is done, or when the audio could not be checked.
    const std::optional<RecordCheck>& Check() const { return m_check; }
    bool IsChecking() const { return m_checking; }
    // The checks a report of that archive lists, when it is the record under review and its check
    // is done; nothing (the caller checks it itself) otherwise.
    std::optional<std::optional<std::vector<ratecheck::SecondCheck>>> ReportChecksFor(
        const std::filesystem::path& archive) const;

    // Hands the files from the review to its playback; false when the review does not hold them.
    bool BeginPlayback();
    // And back.
    void EndPlayback();

private:
    struct Unpacked {
        archive::LoadedRecord record;
        archive::RecordEvents events;
        archive::EventsProblem eventsProblem = archive::EventsProblem::None;
    };
    void OnUnpacked(Unpacked unpacked);
    void StartCheck();

    const std::filesystem::path m_workFolder;
    session::WorkingFilesOwner& m_files;
    Loaded m_loaded;
    Checked m_checked;
    std::filesystem::path m_archive;
    std::vector<std::int32_t> m_trace;
    archive::RecordEvents m_events;
    archive::EventsProblem m_eventsProblem = archive::EventsProblem::None;
    std::string m_audioPath;
    std::optional<RecordCheck> m_check;
    bool m_loading = false;
    bool m_checking = false;
    // Last, and reset first: its work uses the members above.
    std::unique_ptr<jobs::LatestJob> m_job;
};

}  // namespace marulo::review
