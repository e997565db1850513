// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <mutex>
#include <vector>

namespace marulo::session {

// Who holds the work folder's working files (the run's audio and trace) now.
enum class WorkingFilesHolder {
    Nobody,
    Run,         // a run from its open
    ClosingRun,  // a run that is packing and storing its record
    Recovery,    // what earlier processes left, at start
    Review,      // a stored record unpacked for review
    Playback,    // the reviewed record's audio playing
};

// The one answer to who may touch the working files. Each holder takes them, hands them on to
// the next stage of its own work and lets them go; nobody else touches them meanwhile. Those who
// wait are told when the files are free instead of asking again. Used from any thread.
class WorkingFilesOwner {
public:
    using FreeCallback = std::function<void()>;

    // Takes the files for holder when nobody holds them (or holder does already); false when
    // someone else does.
    bool TryTake(WorkingFilesHolder holder);
    // From one stage to the next (a run to its closing, a review to its playback and back);
    // false, and nothing changes, when from does not hold them.
    bool Hand(WorkingFilesHolder from, WorkingFilesHolder to);
    // Lets the files go when holder holds them; the callbacks waiting for them then run, on this
    // thread, outside the lock.
    void Release(WorkingFilesHolder holder);
    WorkingFilesHolder Holder() const;
    bool IsFree() const { return Holder() == WorkingFilesHolder::Nobody; }
    // Runs callback once the files are free: at once when they are, else when they are let go.
    void WhenFree(FreeCallback callback);

private:
    mutable std::mutex m_mutex;
    WorkingFilesHolder m_holder = WorkingFilesHolder::Nobody;
    std::vector<FreeCallback> m_waiting;
};

}  // namespace marulo::session
