// SPDX-License-Identifier: GPL-3.0-or-later
#include "livesignal/LiveTraceListener.h"

#include <utility>

namespace marulo::livesignal {

LiveTraceListener::LiveTraceListener(LiveTraceSink sink) : m_sink(std::move(sink)) {}

void LiveTraceListener::OnCaptureOpen() {
    m_sink.openChanged(true);
}

void LiveTraceListener::OnAudioBlock(std::span<const std::uint8_t> block) {
    m_sink.block(std::vector<std::uint8_t>(block.begin(), block.end()));
}

void LiveTraceListener::OnHeartRate(std::int32_t beatsPerMinute) {
    m_sink.rate(beatsPerMinute);
}

void LiveTraceListener::OnCaptureClose() {
    m_sink.openChanged(false);
}

}  // namespace marulo::livesignal
