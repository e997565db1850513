// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ReviewModel.h"

#include <utility>

namespace marulo::review {

using session::WorkingFilesHolder;

ReviewModel::ReviewModel(std::filesystem::path workFolder, session::WorkingFilesOwner& files,
                         jobs::LatestJob::Post post)
    : m_workFolder(std::move(workFolder)),
      m_files(files),
      m_job(std::make_unique<jobs::LatestJob>(std::move(post))) {}

ReviewModel::~ReviewModel() {
    m_job.reset();
    m_files.Release(WorkingFilesHolder::Playback);
    m_files.Release(WorkingFilesHolder::Review);
}

bool ReviewModel::Load(std::filesystem::path archive) {
    EndPlayback();
    if (!m_files.TryTake(WorkingFilesHolder::Review)) {
        return false;
    }
    m_archive = std::move(archive);
    m_trace.clear();
    m_events = {};
    m_eventsProblem = archive::EventsProblem::None;
    m_audioPath.clear();
    m_check.reset();
    m_checking = false;
    m_loading = true;
    m_job->Start(
        [archive = m_archive, folder = m_workFolder, &files = m_files](jobs::JobControl& control) {
            // A clear before this load may have let the files go on this thread meanwhile.
            if (!files.TryTake(WorkingFilesHolder::Review)) {
                return Unpacked{{archive::RecordProblem::Cancelled, {}, {}}, {}, {}};
            }
            Unpacked unpacked{archive::UnpackRecord(archive, folder, control.StopFlag()), {}, {}};
            if (unpacked.record.problem == archive::RecordProblem::None) {
                unpacked.eventsProblem = archive::ReadRecordEvents(archive, unpacked.events);
                // Marks past the trace's end are not the record's.
                unpacked.events.marks = archive::TidyMarks(std::move(unpacked.events.marks),
                                                           unpacked.record.trace.size());
            }
            return unpacked;
        },
        [this](Unpacked unpacked) { OnUnpacked(std::move(unpacked)); });
    return true;
}

void ReviewModel::OnUnpacked(Unpacked unpacked) {
    archive::LoadedRecord& record = unpacked.record;
    m_events = std::move(unpacked.events);
    m_eventsProblem = unpacked.eventsProblem;
    m_loading = false;
    m_audioPath = std::move(record.files.audioPath);
    m_trace = std::move(record.trace);
    StartCheck();
    if (m_loaded) {
        m_loaded(record.problem);
    }
}

void ReviewModel::StartCheck() {
    if (m_audioPath.empty() || m_trace.empty()) {
        return;
    }
    m_checking = true;
    m_job->Start(
        [audio = m_audioPath, trace = m_trace](jobs::JobControl& control) {
            return CheckRecord(audio, trace, control.StopFlag());
        },
        [this](std::optional<RecordCheck> check) {
            m_checking = false;
            m_check = std::move(check);
            if (m_checked) {
                m_checked();
            }
        });
}

void ReviewModel::Clear() {
    EndPlayback();
    const bool held = !m_archive.empty() || m_loading;
    m_archive.clear();
    m_trace.clear();
    m_events = {};
    m_eventsProblem = archive::EventsProblem::None;
    m_audioPath.clear();
    m_check.reset();
    m_loading = false;
    m_checking = false;
    if (!held) {
        m_job->Cancel();
        return;
    }
    // After the work in hand has left the files, on the worker that did it.
    m_job->Start(
        [&files = m_files](const jobs::JobControl& control) {
            if (!control.Stale()) {
                files.Release(WorkingFilesHolder::Review);
            }
            return 0;
        },
        [](int) {});
}

std::optional<std::optional<std::vector<ratecheck::SecondCheck>>> ReviewModel::ReportChecksFor(
    const std::filesystem::path& archive) const {
    if (m_archive.empty() || m_loading || m_checking || archive != m_archive) {
        return std::nullopt;
    }
    return ReportChecks(m_check);
}

bool ReviewModel::BeginPlayback() {
    return m_files.Hand(WorkingFilesHolder::Review, WorkingFilesHolder::Playback) ||
           m_files.Holder() == WorkingFilesHolder::Playback;
}

void ReviewModel::EndPlayback() {
    m_files.Hand(WorkingFilesHolder::Playback, WorkingFilesHolder::Review);
}

}  // namespace marulo::review
