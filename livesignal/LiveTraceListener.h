// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "acquisition/AcquisitionListener.h"

namespace marulo::livesignal {

// What the live view draws of a run, handed on from the capture thread: whether the run is open,
// each block's sound and each rate. Every call hands its value over and returns; never touch a
// window here.
struct LiveTraceSink {
    std::function<void(bool open)> openChanged;
    std::function<void(std::vector<std::uint8_t> block)> block;
    std::function<void(std::int32_t beatsPerMinute)> rate;
};

class LiveTraceListener final : public acquisition::AcquisitionListener {
public:
    explicit LiveTraceListener(LiveTraceSink sink);

    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

private:
    LiveTraceSink m_sink;
};

}  // namespace marulo::livesignal
