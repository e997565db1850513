// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "platform/FileSoundInput.h"
#include "platform/SoundBufferQueue.h"
#include "platform/SoundDevices.h"
#include "platform/SoundInputChoice.h"
#include "recordformat/WavFileWriter.h"

namespace marulo::platform {
namespace {

// Posted by the test itself after the input is done: the next message read, when nothing else came.
constexpr std::uint32_t kNothingMore = 0xFFFF;

using namespace std::chrono_literals;

std::unique_ptr<SoundBuffer> EmptyBuffer(std::size_t size) {
    auto buffer = std::make_unique<SoundBuffer>();
    buffer->bytes.resize(size);
    return buffer;
}

std::vector<std::uint8_t> Ramp(std::size_t count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

// Takes the filled buffers posted so far, in order; stops at the first other message.
std::vector<std::vector<std::uint8_t>> Posted(ThreadMessageQueue& queue, std::size_t count) {
    std::vector<std::vector<std::uint8_t>> blocks;
    for (std::size_t i = 0; i < count; ++i) {
        ThreadMessage message = queue.Wait();
        if (message.id != kMessageInputData) {
            break;
        }
        blocks.emplace_back(
            message.buffer->bytes.begin(),
            message.buffer->bytes.begin() + static_cast<std::ptrdiff_t>(message.buffer->recorded));
    }
    return blocks;
}

struct FillCase {
    const char* name;
    std::size_t bufferCount;
    std::vector<std::size_t> chunks;  // byte counts delivered by the device, one after another
    std::size_t expectedPosted;
};

class SoundBufferQueueFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(SoundBufferQueueFill, FillsInQueueOrderAndDropsWhatFindsNoBuffer) {
    const FillCase& c = GetParam();
    constexpr std::size_t kSize = 4;
    ThreadMessageQueue owner;
    SoundBufferQueue queue;
    queue.SetOwner(&owner);
    for (std::size_t i = 0; i < c.bufferCount; ++i) {
        queue.Add(EmptyBuffer(kSize));
    }
    const std::size_t total = std::accumulate(c.chunks.begin(), c.chunks.end(), std::size_t{0});
    const std::vector<std::uint8_t> stream = Ramp(total);
    std::size_t offset = 0;
    for (std::size_t chunk : c.chunks) {
        queue.Fill(std::span(stream).subspan(offset, chunk));
        offset += chunk;
    }
    owner.Post(kMessageInputClose);

    const auto blocks = Posted(owner, c.bufferCount + 1);
    ASSERT_EQ(blocks.size(), c.expectedPosted);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::vector<std::uint8_t> expected(
            stream.begin() + static_cast<long>(b * kSize),
            stream.begin() + static_cast<long>((b + 1) * kSize));
        EXPECT_EQ(blocks[b], expected) << "buffer " << b;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SoundBufferQueueFill,
                         ::testing::Values(FillCase{"exactOneBuffer", 2, {4}, 1},
                                           FillCase{"splitAcrossChunks", 2, {1, 2, 1, 3, 1}, 2},
                                           FillCase{"oneChunkSpansBuffers", 3, {10}, 2},
                                           FillCase{"partialStaysQueued", 1, {3}, 0},
                                           FillCase{"noBufferLeftForTheRest", 1, {9}, 1},
                                           FillCase{"noBufferAtAll", 0, {8}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SoundBufferQueue, ClearDropsAPartlyFilledBufferAndAFreshBufferStartsEmpty) {
    ThreadMessageQueue owner;
    SoundBufferQueue queue;
    queue.SetOwner(&owner);
    queue.Add(EmptyBuffer(4));
    queue.Fill(Ramp(3, 100));
    queue.Clear();
    auto reused = EmptyBuffer(4);
    reused->recorded = 3;  // a buffer coming back from the thread starts over
    queue.Add(std::move(reused));
    queue.Fill(Ramp(4, 1));
    owner.Post(kMessageInputClose);
    const auto blocks = Posted(owner, 2);
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0], Ramp(4, 1));
}

// What the owner heard, in order: "d<first byte>" for a block, "overrun", "gap<bytes>".
std::vector<std::string> Heard(ThreadMessageQueue& owner) {
    owner.Post(kNothingMore);
    std::vector<std::string> heard;
    for (ThreadMessage message = owner.Wait(); message.id != kNothingMore; message = owner.Wait()) {
        if (message.id == kMessageInputData) {
            heard.push_back("d" + std::to_string(message.buffer->bytes.front()));
        } else if (message.id == kMessageInputOverrun) {
            heard.emplace_back("overrun");
        } else if (message.id == kMessageInputGap) {
            heard.push_back("gap" + std::to_string(message.droppedBytes));
        }
    }
    return heard;
}

struct DropCase {
    const char* name;
    std::size_t buffers;              // queued at first
    std::vector<std::size_t> before;  // chunks delivered before the buffers come back
    std::vector<std::size_t> after;   // chunks delivered after
    std::vector<std::string> heard;
};

class SoundBufferQueueDrop : public ::testing::TestWithParam<DropCase> {};

// A drop is never silent and never splices: the owner hears when it begins, and how long it was
// (whole buffers) before the next block, which starts where the stream is after the gap.
TEST_P(SoundBufferQueueDrop, IsToldWhenItBeginsAndMeasuredInWholeBuffers) {
    const DropCase& c = GetParam();
    constexpr std::size_t kSize = 4;
    ThreadMessageQueue owner;
    SoundBufferQueue queue;
    queue.SetOwner(&owner);
    for (std::size_t i = 0; i < c.buffers; ++i) {
        queue.Add(EmptyBuffer(kSize));
    }
    const std::vector<std::uint8_t> stream = Ramp(64);
    std::size_t offset = 0;
    const auto deliver = [&](const std::vector<std::size_t>& chunks) {
        for (std::size_t chunk : chunks) {
            queue.Fill(std::span(stream).subspan(offset, chunk));
            offset += chunk;
        }
    };
    deliver(c.before);
    for (std::size_t i = 0; i < c.buffers; ++i) {
        queue.Add(EmptyBuffer(kSize));
    }
    deliver(c.after);
    EXPECT_EQ(Heard(owner), c.heard);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundBufferQueueDrop,
    ::testing::Values(
        DropCase{"roomEnough", 2, {8}, {8}, {"d0", "d4", "d8", "d12"}},
        DropCase{"dropOfWholeBuffers", 1, {4, 8}, {4}, {"d0", "overrun", "gap8", "d12"}},
        // The rest of a block the drop began is dropped too.
        DropCase{"dropEndsInsideABuffer", 1, {4, 5}, {3, 4}, {"d0", "overrun", "gap8", "d12"}},
        DropCase{"toldOncePerDrop",
                 1,
                 {4, 1, 1, 1, 1},
                 {4, 4},
                 {"d0", "overrun", "gap4", "d8", "overrun"}},
        DropCase{"noBufferFromTheStart", 0, {6}, {}, {"overrun"}}),
    [](const auto& info) { return std::string(info.param.name); });

class FileSoundInputTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("marulo-file-input-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::filesystem::path WriteWav(
        const std::vector<std::uint8_t>& samples,
        const recordformat::WaveFormat& format = acquisition::CaptureFormat()) {
        const auto path = m_dir / "input.wav";
        recordformat::WavFileWriter writer;
        EXPECT_TRUE(writer.Open(path, format));
        writer.Append(samples);
        writer.Close();
        return path;
    }

    std::filesystem::path m_dir;
};

TEST_F(FileSoundInputTest, DeliversTheFileBlockByBlockThenSilenceUntilStopped) {
    // Two and a half blocks of a pattern that does not repeat within a block.
    std::vector<std::uint8_t> samples(4000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    FileSoundInput input(WriteWav(samples), 1ms);
    ThreadMessageQueue owner;
    SoundInputError error;
    ASSERT_TRUE(input.Open(acquisition::CaptureFormat(), owner, error)) << error.text;
    EXPECT_EQ(owner.Wait().id, kMessageInputOpen);
    for (int i = 0; i < 5; ++i) {
        input.AddBuffer(EmptyBuffer(acquisition::kBlockBytes));
    }
    ASSERT_TRUE(input.Start(error));
    const auto blocks = Posted(owner, 5);
    input.Stop();
    input.Reset();
    input.Close();

    ASSERT_EQ(blocks.size(), 5u);
    std::vector<std::uint8_t> expected = samples;
    expected.resize(5 * acquisition::kBlockBytes, 128);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        ASSERT_EQ(blocks[b].size(), acquisition::kBlockBytes);
        EXPECT_TRUE(std::equal(blocks[b].begin(), blocks[b].end(),
                               expected.begin() + static_cast<long>(b * acquisition::kBlockBytes)))
            << "block " << b;
    }
    // Close is the last word, also when asked twice; the input may have run out of buffers first.
    ThreadMessage next = owner.Wait();
    if (next.id == kMessageInputOverrun) {
        next = owner.Wait();
    }
    EXPECT_EQ(next.id, kMessageInputClose);
    input.Close();
    owner.Post(kNothingMore);
    EXPECT_EQ(owner.Wait().id, kNothingMore);
}

TEST_F(FileSoundInputTest, RefusesAMissingFileAndAnotherFormat) {
    ThreadMessageQueue owner;
    SoundInputError error;
    FileSoundInput missing(m_dir / "missing.wav");
    EXPECT_FALSE(missing.Open(acquisition::CaptureFormat(), owner, error));
    EXPECT_EQ(error.code, FileSoundInput::kOpenError);
    EXPECT_NE(error.text.find("missing.wav"), std::string::npos);

    const recordformat::WaveFormat mono{1, 1, 8000, 8000, 1, 8};
    FileSoundInput other(WriteWav(Ramp(100), mono));
    error = {};
    EXPECT_FALSE(other.Open(acquisition::CaptureFormat(), owner, error));
    EXPECT_EQ(error.code, FileSoundInput::kOpenError);

    // Neither posted anything, not even on close.
    missing.Close();
    other.Close();
    owner.Post(kNothingMore);
    EXPECT_EQ(owner.Wait().id, kNothingMore);
}

TEST_F(FileSoundInputTest, TheStandInFileIsTheInputAndTheOneDevice) {
    const std::string path = WriteWav(Ramp(1600)).string();
    const SoundInputDevice standIn{path, std::filesystem::path(path).filename().string()};
    SetSoundInputFile(path);
    SoundInputChoice choice;
    choice.Choose(SoundInputDevice{"some-device", "Some device"});
    EXPECT_TRUE(AnyCaptureDeviceExists());
    EXPECT_EQ(SoundInputDevices(), std::vector<SoundInputDevice>{standIn});
    // Every way of asking for a device gives the stand-in while it is set.
    const std::vector<std::pair<const char*, std::optional<SoundInputDevice>>> asked = {
        {"default", DefaultSoundInputDevice()},
        {"listed", ListedSoundInputDevice("some-device")},
        {"in use", choice.InUse()},
    };
    for (const auto& [what, device] : asked) {
        EXPECT_EQ(device, standIn) << what;
    }
    const auto input = CreateSoundInput();
    const auto chosenInput = choice.CreateInput();
    SetSoundInputFile(std::nullopt);
    EXPECT_NE(dynamic_cast<FileSoundInput*>(input.get()), nullptr);
    EXPECT_NE(dynamic_cast<FileSoundInput*>(chosenInput.get()), nullptr);
}

}  // namespace
}  // namespace marulo::platform
