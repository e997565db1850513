// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace marulo::livesignal {

// How loud the input is, block by block.
struct InputLevelValue {
    double peak = 0.0;      // of the newest 0.1 s block, 0 (silence) to 1 (full scale)
    bool clipping = false;  // samples reach the ends of the range in several recent blocks

    bool operator==(const InputLevelValue&) const = default;
};

// The input's level from capture-format blocks: the newest block's peak, and clipping while
// several of the last ten blocks reach the ends of the 8-bit range.
class InputLevel {
public:
    // Blocks of the last second that touch the ends of the range before the input clips, and
    // clipped samples that make a block touch them.
    static constexpr int kClippingBlocks = 3;
    static constexpr int kClippedSamplesPerBlock = 4;

    // Starts afresh, as at the opening of a run.
    void Restart();
    InputLevelValue Feed(std::span<const std::uint8_t> captureBytes);
    bool Clipping() const;

private:
    // Whether each of the last ten blocks touched the ends of the range, newest at the cursor.
    std::array<bool, 10> m_clippedBlocks{};
    std::size_t m_cursor = 0;
};

}  // namespace marulo::livesignal
