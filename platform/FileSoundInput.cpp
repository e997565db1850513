// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileSoundInput.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "recordformat/WavReader.h"

namespace marulo::platform {

FileSoundInput::FileSoundInput(std::filesystem::path file, std::chrono::milliseconds blockInterval)
    : m_file(std::move(file)), m_blockInterval(blockInterval) {}

FileSoundInput::~FileSoundInput() {
    Close();
}

bool FileSoundInput::Open(const recordformat::WaveFormat& format, ThreadMessageQueue& owner,
                          SoundInputError& error) {
    std::string why;
    std::optional<recordformat::WavData> wav = recordformat::ReadWavFile(m_file, why);
    if (!wav) {
        error = {kOpenError, "The sound file " + m_file.string() + " cannot be read: " + why,
                 SoundInputProblem::FileUnreadable, m_file.string()};
        return false;
    }
    if (wav->format != format) {
        error = {kOpenError,
                 "The sound file " + m_file.string() + " is not in the format of capture.",
                 SoundInputProblem::FileFormat, m_file.string()};
        return false;
    }
    m_samples = std::move(wav->samples);
    m_position = 0;
    m_blockBytes = std::max<std::size_t>(1, format.averageBytesPerSecond / 10);
    m_silence = format.bitsPerSample == 8 ? 128 : 0;
    m_owner = &owner;
    m_buffers.SetOwner(&owner);
    owner.Post(kMessageInputOpen);
    return true;
}

void FileSoundInput::AddBuffer(std::unique_ptr<SoundBuffer> buffer) {
    m_buffers.Add(std::move(buffer));
}

bool FileSoundInput::Start(SoundInputError& error) {
    if (m_owner == nullptr) {
        error = {kOpenError, "The sound file is not open.", SoundInputProblem::OpenFailed, {}};
        return false;
    }
    if (!m_pacer.joinable()) {
        m_stopping = false;
        m_pacer = std::thread([this] { DeliverBlocks(); });
    }
    return true;
}

void FileSoundInput::DeliverBlocks() {
    std::vector<std::uint8_t> block(m_blockBytes);
    auto next = std::chrono::steady_clock::now();
    std::unique_lock lock(m_mutex);
    while (true) {
        next += m_blockInterval;
        if (m_wake.wait_until(lock, next, [this] { return m_stopping; })) {
            return;
        }
        NextBlock(block);
        m_buffers.Fill(block);
    }
}

void FileSoundInput::NextBlock(std::vector<std::uint8_t>& block) {
    const std::size_t start = std::min(m_position, m_samples.size());
    const std::size_t taken = std::min(m_samples.size() - start, block.size());
    std::copy_n(m_samples.begin() + static_cast<std::ptrdiff_t>(start), taken, block.begin());
    std::fill(block.begin() + static_cast<std::ptrdiff_t>(taken), block.end(), m_silence);
    m_position += taken;
}

void FileSoundInput::Stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_pacer.joinable()) {
        m_pacer.join();
    }
}

void FileSoundInput::Reset() {
    m_buffers.Clear();
}

void FileSoundInput::Close() {
    Stop();
    m_buffers.Clear();
    if (m_owner != nullptr) {
        m_buffers.SetOwner(nullptr);
        std::exchange(m_owner, nullptr)->Post(kMessageInputClose);
    }
}

}  // namespace marulo::platform
