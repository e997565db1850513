// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>

#include "archive/RecordListItem.h"

namespace marulo::review {

// A record's length and whether its trace holds any rate, read from the trace in its archive
// alone (a small read); its sound is left Pending. Nothing when the archive holds no readable
// trace.
std::optional<archive::RecordSummary> ReadRecordSummary(const std::filesystem::path& archive);

// The summary with its audio checked straight from the archive, as a report counts it: Checked
// with the confirmed seconds, or Unavailable when the audio cannot be checked. Nothing when a
// raised stop flag ended it, or the trace cannot be read any more.
std::optional<archive::RecordSummary> CheckRecordSummary(const std::filesystem::path& archive,
                                                         const std::atomic<bool>* stop = nullptr);

}  // namespace marulo::review
