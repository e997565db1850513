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

inline constexpr std::size_t kQueuedBuffers = 25;
// A sound input that delivered and then brings nothing for this long has stalled (a sound
// server stopped, a computer suspended); a working one delivers every tenth of a second.
inline constexpr std::chrono::milliseconds kInputStallLimit{2000};

// The work of one capture thread: opens the sound input, keeps its buffers queued, hands every
// block to the listeners and the analyzer until asked to stop or the input is lost, then closes
// the input. An input that stalls mid-run is lost too: audio after the pause is never joined to
// the audio before it as if it were continuous.
class CaptureThread {
public:
    // Fills the list with the listeners to call now, in order.
    using ListenerSnapshot = std::function<void(std::vector<AcquisitionListener*>&)>;
    // Called when the input cannot be opened or started, or (lost) when it stopped delivering
    // during the run, after the run was closed; returns once the user has been told.
    using FailureReporter = std::function<void(const platform::SoundInputError&, bool lost)>;

    CaptureThread(ListenerSnapshot listeners, BlockAnalyzer& analyzer,
                  FailureReporter reportFailure);

    void Run(platform::SoundInput& input, platform::ThreadMessageQueue& queue);

    // The block steps: every listener gets the block, the analyzer takes it, and every tenth
    // block every listener gets the heart rate.
    void HandleBlock(std::span<const std::uint8_t> block);

private:
    // Returns false when the message ends the run.
    bool HandleMessage(platform::SoundInput& input, platform::ThreadMessage& message);
    // Closes the run as one whose input was lost.
    void CloseLostRun();
    void AnnounceOpen();
    template <typename Call>
    void ForEachListener(Call call);

    ListenerSnapshot m_snapshot;
    BlockAnalyzer& m_analyzer;
    FailureReporter m_reportFailure;
    std::vector<AcquisitionListener*> m_listeners;  // reused for every call round
    bool m_openAnnounced = false;
    bool m_inputLost = false;
    // When the last block came, by the steady clock (for the wait) and by the wall clock, which
    // also runs while the computer sleeps.
    std::optional<std::chrono::steady_clock::time_point> m_lastBlock;
    std::chrono::system_clock::time_point m_lastBlockWall;
};

}  // namespace marulo::acquisition
