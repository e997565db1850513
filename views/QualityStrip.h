// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "ratecheck/RateCheck.h"
#include "report/CheckedTrace.h"
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

// What the check of a record's audio found, second by second over its whole trace.
struct RecordCheck {
    report::CheckedTrace checked;
    // The seconds the audio covers; nothing after them was checked.
    std::size_t checkedSeconds = 0;
    // The audio ends more than the allowed moment before the trace does.
    bool audioShort = false;
};

// The whole seconds of a WAV file's samples; nothing when it cannot be read.
std::optional<std::size_t> WavSeconds(const std::filesystem::path& audio);

// Checks the audio against the trace. Audio shorter than its trace is checked as far as it
// goes. Nothing when the audio cannot be read at all or a raised stop flag ended it.
std::optional<RecordCheck> CheckRecord(const std::filesystem::path& audio,
                                       std::span<const std::int32_t> trace,
                                       const std::atomic<bool>* stop = nullptr);

// Checks a record's audio against its trace on a thread of its own, one record at a time; a new
// start or a cancel stops the one in progress. The finished call comes on that thread, with the
// ticket of its start and what was found (nothing when the audio could not be checked).
class BackgroundCheck {
public:
    using Finished = std::function<void(std::uint64_t ticket, std::optional<RecordCheck> check)>;

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
