// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

namespace marulo::acquisition {

// Receives a capture run, on the capture thread, in this order: open, blocks and rates, close.
class AcquisitionListener {
public:
    virtual void OnCaptureOpen() = 0;
    // The block's bytes are valid during the call only. Its size is the sample count of the
    // 8-bit capture format (1600 for a full block).
    virtual void OnAudioBlock(std::span<const std::uint8_t> block) = 0;
    // Beats per minute, 0 when there is no rate; never negative.
    virtual void OnHeartRate(std::int32_t beatsPerMinute) = 0;
    virtual void OnCaptureClose() = 0;
    // The input had to drop sound for want of room (the listeners fell behind by minutes); the
    // dropped span follows as silent blocks. Called at most once per run, before those blocks.
    virtual void OnAudioOverrun() {}

protected:
    ~AcquisitionListener() = default;
};

}  // namespace marulo::acquisition
