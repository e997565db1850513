// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/SoundBufferQueue.h"
#include "platform/SoundInput.h"

namespace marulo::platform {

// A sound input that plays a WAV file in the requested format as if a device delivered it live:
// one 0.1 s block per block interval into the next queued buffer. After the file's end it goes
// on delivering silence (byte 128 for 8-bit data, 0 for 16-bit), so a run lasts until stopped.
class FileSoundInput final : public SoundInput {
public:
    // Error code of a file that cannot be read or is not in the requested format.
    static constexpr int kOpenError = 1;

    explicit FileSoundInput(std::filesystem::path file, std::chrono::milliseconds blockInterval =
                                                            std::chrono::milliseconds(100));
    ~FileSoundInput() override;
    FileSoundInput(const FileSoundInput&) = delete;
    FileSoundInput& operator=(const FileSoundInput&) = delete;

    bool Open(const recordformat::WaveFormat& format, ThreadMessageQueue& owner,
              SoundInputError& error) override;
    void AddBuffer(std::unique_ptr<SoundBuffer> buffer) override;
    bool Start(SoundInputError& error) override;
    void Stop() override;
    void Reset() override;
    void Close() override;

private:
    void DeliverBlocks();
    void NextBlock(std::vector<std::uint8_t>& block);

    std::filesystem::path m_file;
    std::chrono::milliseconds m_blockInterval;
    ThreadMessageQueue* m_owner = nullptr;
    std::vector<std::uint8_t> m_samples;
    std::size_t m_position = 0;
    std::size_t m_blockBytes = 0;
    std::uint8_t m_silence = 128;
    SoundBufferQueue m_buffers;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_pacer;
};

}  // namespace marulo::platform
