// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "ratecheck/RateCheck.h"
#include "views/ChartGeometry.h"

namespace marulo::views {

// The thin strip along the bottom of the chart's grid that marks every second of a record by
// how far a second analysis of its sound believes the shown rate. It lies below 35 bpm, where no
// rate is drawn.
inline constexpr int kQualityStripHeight = 4;

struct StripRun {
    ColumnSpan columns;  // in chart coordinates, one column a second
    ratecheck::Mark mark = ratecheck::Mark::NoSignal;
    bool operator==(const StripRun&) const = default;
};

// The runs of equal marks within the visible columns.
std::vector<StripRun> QualityStripRuns(std::span<const ratecheck::Mark> marks, ColumnSpan visible);

// A run's rectangle in client coordinates.
Rect QualityStripRect(const StripRun& run, int offset, int clientHeight);

// Checks a record's audio against its trace on a thread of its own, one record at a time; a new
// start or a cancel stops the one in progress. The finished call comes on that thread, with the
// ticket of its start and the marks (none when the audio could not be checked).
class BackgroundCheck {
public:
    using Finished = std::function<void(std::uint64_t ticket, std::vector<ratecheck::Mark> marks)>;

    explicit BackgroundCheck(Finished finished) : m_finished(std::move(finished)) {}
    ~BackgroundCheck() { CancelAndWait(); }
    BackgroundCheck(const BackgroundCheck&) = delete;
    BackgroundCheck& operator=(const BackgroundCheck&) = delete;

    std::uint64_t Start(std::filesystem::path audio, std::vector<std::int32_t> trace);
    // Stops the check in progress and waits until it has left the audio file alone.
    void CancelAndWait();
    std::uint64_t NewestTicket() const { return m_ticket.load(); }

private:
    Finished m_finished;
    std::atomic<bool> m_stop{false};
    std::atomic<std::uint64_t> m_ticket{0};
    std::thread m_thread;
};

}  // namespace marulo::views
