// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>

#include "acquisition/AcquisitionListener.h"
#include "livesignal/LiveSignal.h"

namespace marulo::livesignal {

// Runs the live mark on the capture thread and hands each second's value on; nothing at the open
// and the close of a run, so a shown mark goes with it.
class LiveSignalListener final : public acquisition::AcquisitionListener {
public:
    // Called on the capture thread: hand the value over, never touch a window here.
    using Publish = std::function<void(std::optional<LiveSignalValue> value)>;

    explicit LiveSignalListener(Publish publish);

    void OnCaptureOpen() override;
    void OnAudioBlock(std::span<const std::uint8_t> block) override;
    void OnHeartRate(std::int32_t beatsPerMinute) override;
    void OnCaptureClose() override;

private:
    Publish m_publish;
    LiveSignal m_signal;
};

}  // namespace marulo::livesignal
