// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <utility>

#include "acquisition/AcquisitionListener.h"
#include "livesignal/InputLevel.h"

namespace marulo::livesignal {

// Measures the input's level on the capture thread and hands each block's value on.
class InputLevelListener final : public acquisition::AcquisitionListener {
public:
    // Called on the capture thread: hand the value over, never touch a window here.
    using Publish = std::function<void(const InputLevelValue& value)>;

    explicit InputLevelListener(Publish publish) : m_publish(std::move(publish)) {}

    void OnCaptureOpen() override { m_level.Restart(); }
    void OnAudioBlock(std::span<const std::uint8_t> block) override {
        m_publish(m_level.Feed(block));
    }
    void OnHeartRate(std::int32_t /*beatsPerMinute*/) override {}
    void OnCaptureClose() override {}

private:
    Publish m_publish;
    InputLevel m_level;
};

}  // namespace marulo::livesignal
