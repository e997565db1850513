// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace marulo::recordformat {

// A trace holds one value per second; four days of them is far beyond any monitoring run.
inline constexpr std::uint64_t kMaxTraceSeconds = 4ULL * 24 * 60 * 60;
inline constexpr std::uint64_t kMaxTraceBytes = kMaxTraceSeconds * 4;

// The heart rates of trace bytes: signed 32-bit little-endian values, trailing bytes ignored.
std::vector<std::int32_t> TraceFromBytes(std::span<const unsigned char> bytes);

// The heart rates of a trace file, read as TraceFromBytes does; empty when the file cannot be
// read or is longer than a trace can be.
std::vector<std::int32_t> ReadTrace(const std::filesystem::path& trace);

}  // namespace marulo::recordformat
