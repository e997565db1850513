// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archive/RecordItemTexts.h"
#include "platform/DayNumbers.h"

namespace marulo::archive {

// How far the list knows what a record's sound holds.
enum class SoundCheck : std::uint8_t {
    Pending,      // its length is known, its audio not yet checked
    Checked,      // confirmedSeconds holds the check's count
    Unavailable,  // no audio, or audio the check cannot read
};

// What the record list learns of a record beyond its name: its length from the trace and the
// seconds the check of its audio confirmed as the baby's rate.
struct RecordSummary {
    std::int64_t seconds = 0;
    bool anyRate = false;  // the trace holds a rate somewhere
    SoundCheck check = SoundCheck::Pending;
    std::int64_t confirmedSeconds = 0;
};

// When the recording began: the name holds the time it was stored, at its end; the trace
// holds one value a second. Nothing without a real storing time.
std::optional<platform::CivilDateTime> RecordStart(const RecordDates& dates, std::int64_t seconds);

// "m:ss" under an hour, "h:mm:ss" from an hour on.
std::string ShortDuration(std::int64_t seconds);

// The share of confirmed seconds in percent, rounded down, but at least 1 when any second was
// confirmed: 100 means every second and 0 none. Nothing until the audio has been checked.
std::optional<int> ConfirmedPercent(const RecordSummary& summary);

// No heartbeat was heard: the check confirmed no second, or, where the audio cannot be checked,
// the trace holds no rate at all.
bool NoHeartbeatHeard(const RecordSummary& summary);

}  // namespace marulo::archive
