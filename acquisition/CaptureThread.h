// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/BlockAnalyzer.h"
#include "platform/SoundInput.h"
#include "platform/ThreadMessageQueue.h"

namespace marulo::acquisition {

// Two minutes of sound: the input keeps delivering while the listeners wait on a slow disk.
inline constexpr std::size_t kQueuedBuffers = 1200;
// A sound input that delivered and then brings nothing for this long has stalled (a sound
// server stopped, a computer suspended); a working one delivers every tenth of a second.
inline constexpr std::chrono::milliseconds kInputStallLimit{2000};
// A started input that has brought nothing for this long does not deliver at all.
inline constexpr std::chrono::milliseconds kFirstBlockLimit{5000};

// How a run ended that the user must hear of.
enum class CaptureFault {
    NotStarted,  // the input could not be opened or started
    InputLost,   // it stopped delivering during the run
    NoSound,     // it opened but never delivered
};

// The work of one capture thread: opens the sound input, keeps its buffers queued, hands every
// block to the listeners and the analyzer until asked to stop or the input is lost, then closes
// the input. An input is judged by when it delivered (the stamps of its messages), never by how
// long the listeners took: one that pauses mid-run is lost, and audio after the pause is never
// joined to the audio before it as if it were continuous. Sound the input had to drop for want
// of room comes to the listeners as silence of the same length, with rate 0 for its seconds.
class CaptureThread {
public:
    // Fills the list with the listeners to call now, in order.
    using ListenerSnapshot = std::function<void(std::vector<AcquisitionListener*>&)>;
    // Called when the input cannot be opened or started, or after the run was closed for a
    // fault of the input; returns once the user has been told.
    using FailureReporter = std::function<void(const platform::SoundInputError&, CaptureFault)>;

    CaptureThread(ListenerSnapshot listeners, BlockAnalyzer& analyzer,
                  FailureReporter reportFailure);

    void Run(platform::SoundInput& input, platform::ThreadMessageQueue& queue);

    // The block steps: every listener gets the block, the analyzer takes it, and every tenth
    // block every listener gets the heart rate.
    void HandleBlock(std::span<const std::uint8_t> block);

private:
    // Returns false when the message ends the run.
    bool HandleMessage(platform::SoundInput& input, platform::ThreadMessage& message);
    // The silence standing in for dropped sound, in whole blocks.
    void HandleGap(std::size_t droppedBytes);
    // How long to wait for the next message before the input counts as lost.
    platform::DeliveryClock::duration PatienceLeft() const;
    // Closes the run as one whose input failed.
    void CloseFaultyRun(CaptureFault fault);
    void AnnounceOpen();
    template <typename Call>
    void ForEachListener(Call call);

    ListenerSnapshot m_snapshot;
    BlockAnalyzer& m_analyzer;
    FailureReporter m_reportFailure;
    std::vector<AcquisitionListener*> m_listeners;  // reused for every call round
    bool m_openAnnounced = false;
    bool m_overrunTold = false;
    std::optional<CaptureFault> m_fault;
    platform::DeliveryClock::time_point m_started;
    // When the input last delivered, as far as the messages handled tell.
    std::optional<platform::DeliveryClock::time_point> m_lastDelivery;
};

}  // namespace marulo::acquisition
