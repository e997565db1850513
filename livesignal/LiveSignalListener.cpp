// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/LiveSignalListener.h"

#include <utility>

namespace marulo::livesignal {

LiveSignalListener::LiveSignalListener(Publish publish)
    : m_publish(std::move(publish)),
      m_signal([this](const LiveSignalValue& value) { m_publish(value); }) {}

void LiveSignalListener::OnCaptureOpen() {
    m_signal.Restart();
    m_publish(std::nullopt);
}

void LiveSignalListener::OnAudioBlock(std::span<const std::uint8_t> block) {
    m_signal.FeedBlock(block);
}

void LiveSignalListener::OnHeartRate(std::int32_t beatsPerMinute) {
    m_signal.FeedShown(beatsPerMinute);
}

void LiveSignalListener::OnCaptureClose() {
    m_publish(std::nullopt);
}

}  // namespace marulo::livesignal
