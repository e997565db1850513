// SPDX-License-Identifier: GPL-3.0-or-later
#include "acquisition/CaptureThread.h"

#include <algorithm>
#include <vector>

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
        m_reportFailure(error, CaptureFault::NotStarted);
        return;
    }
    const std::size_t bufferBytes = CaptureFormat().blockAlign * kFramesPerBlock;
    for (std::size_t i = 0; i < kQueuedBuffers; ++i) {
        auto buffer = std::make_unique<platform::SoundBuffer>();
        buffer->bytes.resize(bufferBytes);
        input.AddBuffer(std::move(buffer));
    }
    m_started = platform::DeliveryClock::now();
    if (!input.Start(error)) {
        m_reportFailure(error, CaptureFault::NotStarted);
        input.Close();
        return;
    }
    while (true) {
        std::optional<platform::ThreadMessage> message = queue.WaitFor(PatienceLeft());
        if (!message) {
            CloseFaultyRun(m_lastDelivery ? CaptureFault::InputLost : CaptureFault::NoSound);
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
    if (m_fault) {
        m_reportFailure(lost, *m_fault);
    }
}

platform::DeliveryClock::duration CaptureThread::PatienceLeft() const {
    const auto waited = platform::DeliveryClock::now() - m_lastDelivery.value_or(m_started);
    const auto limit = m_lastDelivery ? platform::DeliveryClock::duration(kInputStallLimit)
                                      : platform::DeliveryClock::duration(kFirstBlockLimit);
    return std::max(limit - waited, platform::DeliveryClock::duration::zero());
}

bool CaptureThread::HandleMessage(platform::SoundInput& input, platform::ThreadMessage& message) {
    switch (message.id) {
        case platform::kMessageInputOpen:
            AnnounceOpen();
            return true;
        case platform::kMessageInputData:
            if (message.buffer) {
                if (m_lastDelivery && message.posted - *m_lastDelivery > kInputStallLimit) {
                    // The input paused (the computer slept, the server hung): this block comes
                    // after the pause.
                    CloseFaultyRun(CaptureFault::InputLost);
                    return false;
                }
                m_lastDelivery = message.posted;
                platform::SoundBuffer& buffer = *message.buffer;
                const std::size_t recorded = std::min(buffer.recorded, buffer.bytes.size());
                HandleBlock(std::span(buffer.bytes.data(), recorded));
                input.AddBuffer(std::move(message.buffer));
            }
            return true;
        case platform::kMessageInputOverrun:
            // The input delivers all through a drop, which lasts until its buffers come back, as
            // they do from now on: no pause of the input.
            m_lastDelivery = platform::DeliveryClock::now();
            if (!m_overrunTold) {
                m_overrunTold = true;
                AnnounceOpen();
                ForEachListener([](AcquisitionListener& listener) { listener.OnAudioOverrun(); });
            }
            return true;
        case platform::kMessageInputGap:
            m_lastDelivery = message.posted;
            HandleGap(message.droppedBytes);
            return true;
        case platform::kMessageInputLost:
            CloseFaultyRun(CaptureFault::InputLost);
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

void CaptureThread::HandleGap(std::size_t droppedBytes) {
    const recordformat::WaveFormat& format = CaptureFormat();
    const std::size_t blockBytes = format.blockAlign * kFramesPerBlock;
    const std::vector<std::uint8_t> silence(blockBytes, format.bitsPerSample == 8 ? 128 : 0);
    for (std::size_t block = 0; block < droppedBytes / blockBytes; ++block) {
        ForEachListener(
            [&silence](AcquisitionListener& listener) { listener.OnAudioBlock(silence); });
        // The detector hears the silence the record holds, but no second of the gap has a rate.
        if (m_analyzer.ProcessBlock(silence)) {
            ForEachListener([](AcquisitionListener& listener) { listener.OnHeartRate(0); });
        }
    }
}

void CaptureThread::CloseFaultyRun(CaptureFault fault) {
    // Ends the run as a stop request would: what was captured is kept.
    m_fault = fault;
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
