// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "acquisition/AcquisitionListener.h"
#include "acquisition/BlockAnalyzer.h"
#include "platform/SoundInput.h"
#include "platform/ThreadMessageQueue.h"

namespace marulo::acquisition {

inline constexpr std::size_t kQueuedBuffers = 25;

// The work of one capture thread: opens the sound input, keeps its buffers queued, hands every
// block to the listeners and the analyzer until asked to stop or the input is lost, then closes
// the input.
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
    void AnnounceOpen();
    template <typename Call>
    void ForEachListener(Call call);

    ListenerSnapshot m_snapshot;
    BlockAnalyzer& m_analyzer;
    FailureReporter m_reportFailure;
    std::vector<AcquisitionListener*> m_listeners;  // reused for every call round
    bool m_openAnnounced = false;
    bool m_inputLost = false;
};

}  // namespace marulo::acquisition
