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
        std::optional<platform::ThreadMessage> message =
            m_lastBlock ? queue.WaitUntil(*m_lastBlock + kInputStallLimit) : queue.Wait();
        if (!message) {
            CloseLostRun();
            break;
        }
        if (!HandleMessage(input, *message)) {
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
                const auto now = std::chrono::system_clock::now();
                if (m_lastBlock && now - m_lastBlockWall > kInputStallLimit) {
                    // The computer slept: this block comes after a pause.
                    CloseLostRun();
                    return false;
                }
                m_lastBlock = std::chrono::steady_clock::now();
                m_lastBlockWall = now;
                platform::SoundBuffer& buffer = *message.buffer;
                const std::size_t recorded = std::min(buffer.recorded, buffer.bytes.size());
                HandleBlock(std::span(buffer.bytes.data(), recorded));
                input.AddBuffer(std::move(message.buffer));
            }
            return true;
        case platform::kMessageInputLost:
            CloseLostRun();
            return false;
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

void CaptureThread::CloseLostRun() {
    // Ends the run as a stop request would: what was captured is kept.
    m_inputLost = true;
    AnnounceOpen();
    ForEachListener([](AcquisitionListener& listener) { listener.OnCaptureClose(); });
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
