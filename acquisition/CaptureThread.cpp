// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureThread.h"

#include <algorithm>

#include "acquisition/CaptureController.h"
#include "acquisition/CaptureFormat.h"

namespace marulo::acquisition {

CaptureThread::CaptureThread(ListenerSnapshot listeners, BlockAnalyzer& analyzer,
                             FailureReporter reportFailure)
    : m_snapshot(std::move(listeners)),
      m_analyzer(analyzer),
      m_reportFailure(std::move(reportFailure)) {}

template <typename Call>
void CaptureThread::ForEachListener(Call call) {
    m_snapshot(m_listeners);
    for (AcquisitionListener* listener : m_listeners) {
        call(*listener);
    }
}

void CaptureThread::Run(platform::SoundInput& input, platform::ThreadMessageQueue& queue) {
    platform::SoundInputError error;
    if (!input.Open(CaptureFormat(), queue, error)) {
        m_reportFailure(error, false);
        return;
    }
    const std::size_t bufferBytes = CaptureFormat().blockAlign * kFramesPerBlock;
    for (std::size_t i = 0; i < kQueuedBuffers; ++i) {
        auto buffer = std::make_unique<platform::SoundBuffer>();
        buffer->bytes.resize(bufferBytes);
        input.AddBuffer(std::move(buffer));
    }
    if (!input.Start(error)) {
        m_reportFailure(error, false);
        input.Close();
        return;
    }
    while (true) {
        platform::ThreadMessage message = queue.Wait();
        if (!HandleMessage(input, message)) {
            break;
        }
    }
    input.Stop();
    input.Reset();
    const platform::SoundInputError lost = input.LostError();
    input.Close();
    if (m_inputLost) {
        m_reportFailure(lost, true);
    }
}

bool CaptureThread::HandleMessage(platform::SoundInput& input, platform::ThreadMessage& message) {
    switch (message.id) {
        case platform::kMessageInputOpen:
            AnnounceOpen();
            return true;
        case platform::kMessageInputData:
            if (message.buffer) {
                platform::SoundBuffer& buffer = *message.buffer;
                const std::size_t recorded = std::min(buffer.recorded, buffer.bytes.size());
                HandleBlock(std::span(buffer.bytes.data(), recorded));
                input.AddBuffer(std::move(message.buffer));
            }
            return true;
        case platform::kMessageInputLost:
            // Ends the run as a stop request would: what was captured is kept.
            m_inputLost = true;
            [[fallthrough]];
        case WM_CAPTURE_STOP:
        case platform::kMessageInputClose:
            // Every run that started tells its listeners of an open before its close.
            AnnounceOpen();
            ForEachListener([](AcquisitionListener& listener) { listener.OnCaptureClose(); });
            return false;
        default:
            return true;
    }
}

void CaptureThread::AnnounceOpen() {
    if (m_openAnnounced) {
        return;
    }
    m_openAnnounced = true;
    ForEachListener([](AcquisitionListener& listener) { listener.OnCaptureOpen(); });
}

void CaptureThread::HandleBlock(std::span<const std::uint8_t> block) {
    ForEachListener([block](AcquisitionListener& listener) { listener.OnAudioBlock(block); });
    if (const auto rate = m_analyzer.ProcessBlock(block)) {
        ForEachListener(
            [value = *rate](AcquisitionListener& listener) { listener.OnHeartRate(value); });
    }
}

}  // namespace marulo::acquisition
