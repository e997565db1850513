// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <numeric>
#include <optional>
#include <thread>

#include "acquisition/CaptureController.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/CaptureThread.h"
#include "platform/SoundBufferQueue.h"
#include "tests/acquisition/CaptureTestSupport.h"

namespace marulo::acquisition {
namespace {

using namespace std::chrono_literals;
using testing::LoggingListener;
using testing::WaitUntil;

// An input whose device the test drives: what it delivers goes through the sound buffer queue that
// real inputs use, on the test's thread, also after the run has let the input go.
class DeliveredInput final : public platform::SoundInput {
public:
    explicit DeliveredInput(platform::SoundBufferQueue& device) : m_device(device) {}
    ~DeliveredInput() override { Close(); }
    DeliveredInput(const DeliveredInput&) = delete;
    DeliveredInput& operator=(const DeliveredInput&) = delete;

    bool Open(const recordformat::WaveFormat&, platform::ThreadMessageQueue& owner,
              platform::SoundInputError&) override {
        m_owner = &owner;
        m_device.SetOwner(&owner);
        owner.Post(platform::kMessageInputOpen);
        return true;
    }
    void AddBuffer(std::unique_ptr<platform::SoundBuffer> buffer) override {
        m_device.Add(std::move(buffer));
    }
    bool Start(platform::SoundInputError&) override { return true; }
    void Stop() override {}
    void Reset() override { m_device.Clear(); }
    void Close() override {
        m_device.Clear();
        if (m_owner != nullptr) {
            m_device.SetOwner(nullptr);
            std::exchange(m_owner, nullptr)->Post(platform::kMessageInputClose);
        }
    }

private:
    platform::SoundBufferQueue& m_device;
    platform::ThreadMessageQueue* m_owner = nullptr;
};

// Block n of the delivered sound: every byte holds n, never the silence value 128.
std::vector<std::uint8_t> NumberedBlock(std::size_t n) {
    return std::vector<std::uint8_t>(kBlockBytes, static_cast<std::uint8_t>(n % 100));
}

// Holds the capture thread inside one block, as a write to a slow disk does.
class HoldingListener final : public AcquisitionListener {
public:
    void OnCaptureOpen() override {}
    void OnAudioBlock(std::span<const std::uint8_t>) override {
        if (++m_blocks == holdAtBlock) {
            held = true;
            const auto end = std::chrono::steady_clock::now() + holdFor;
            while (!release && std::chrono::steady_clock::now() < end) {
                std::this_thread::sleep_for(1ms);
            }
        }
    }
    void OnHeartRate(std::int32_t) override {}
    void OnCaptureClose() override {}

    int holdAtBlock = -1;
    std::chrono::milliseconds holdFor{0};
    std::atomic<bool> held{false};
    std::atomic<bool> release{false};

private:
    int m_blocks = 0;
};

class CaptureTimingTest : public ::testing::Test {
protected:
    CaptureTimingTest()
        : m_controller([this] { return std::make_unique<DeliveredInput>(m_device); },
                       [] { return true; }) {
        m_controller.SetErrorReporter([this](const CaptureError& error) { m_error = error; });
        m_controller.AddListener(m_listener);
        m_controller.AddListener(m_holder);
    }

    // Delivers blocks first..first+count-1, one every tenth of a second, as a device does.
    void DeliverLive(std::size_t first, std::size_t count) {
        auto next = std::chrono::steady_clock::now();
        for (std::size_t n = first; n < first + count; ++n) {
            next += 100ms;
            std::this_thread::sleep_until(next);
            m_device.Fill(NumberedBlock(n));
        }
    }

    // The first byte of every block the listener heard, in order.
    std::vector<int> HeardBlocks() {
        std::lock_guard lock(m_log.mutex);
        std::vector<int> heard;
        for (const auto& block : m_log.blocks) {
            heard.push_back(block.empty() ? -1 : block.front());
        }
        return heard;
    }

    LoggingListener::Log m_log;
    LoggingListener m_listener{"", m_log, true};
    HoldingListener m_holder;
    platform::SoundBufferQueue m_device;
    std::optional<CaptureError> m_error;
    CaptureController m_controller;
};

struct TimingCase {
    const char* name;
    int holdAtBlock;                 // the listeners are held inside this block (1-based)
    std::chrono::milliseconds hold;  // for this long
    std::size_t before;              // blocks delivered before a pause of the device
    std::chrono::milliseconds pause;
    std::size_t after;            // blocks delivered after it
    std::optional<bool> noSound;  // the fault reported: none, or lost (false) / never any sound
    std::size_t heard;            // blocks that reach the listeners
};

class CaptureTiming : public CaptureTimingTest, public ::testing::WithParamInterface<TimingCase> {};

// A run is judged by when its input delivered, never by how long the listeners took.
TEST_P(CaptureTiming, OnlyTheDevicesOwnSilenceEndsARun) {
    const TimingCase& c = GetParam();
    m_holder.holdAtBlock = c.holdAtBlock;
    m_holder.holdFor = c.hold;
    m_controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("open") == 1; }));
    DeliverLive(0, c.before);
    std::this_thread::sleep_for(c.pause);
    DeliverLive(c.before, c.after);
    if (!c.noSound) {
        ASSERT_TRUE(WaitUntil([&] { return HeardBlocks().size() == c.heard; }));
        EXPECT_TRUE(m_controller.IsCapturing());
        m_controller.StopCapture();
    }
    ASSERT_TRUE(WaitUntil([&] { return !m_controller.AnyThreadRunning(); }));
    m_controller.AwaitAllEnded();

    std::vector<int> expected(c.heard);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(HeardBlocks(), expected);
    EXPECT_EQ(m_log.Count("close"), 1u);
    EXPECT_EQ(m_error.has_value(), c.noSound.has_value());
    if (m_error && c.noSound) {
        EXPECT_TRUE(m_error->inputLost);
        EXPECT_EQ(m_error->noSound, *c.noSound);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CaptureTiming,
    ::testing::Values(
        // 3 s in one write: the device went on, so 40 blocks, none dropped, and no loss.
        TimingCase{"listenersHeldThreeSeconds", 3, 3000ms, 40, 0ms, 0, std::nullopt, 40},
        // The device itself pauses: the run ends with what came before, nothing after is joined.
        TimingCase{"devicePausesThreeSeconds", -1, 0ms, 5, 3000ms, 5, false, 5},
        // Opened, never delivered: told after a few seconds, not left waiting for ever.
        TimingCase{"deviceNeverDelivers", -1, 0ms, 0, 0ms, 0, true, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Sound the queue had to drop while the listeners were held for minutes is silence of the same
// length in the run, with no rate for its seconds, and the run hears of it once.
TEST_F(CaptureTimingTest, DroppedSoundBecomesSilenceInItsPlaceAndIsToldOnce) {
    constexpr std::size_t kDropped = 30;
    constexpr std::size_t kAfter = 20;
    m_holder.holdAtBlock = 1;
    m_holder.holdFor = 60s;
    m_controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("open") == 1; }));
    m_device.Fill(NumberedBlock(0));
    ASSERT_TRUE(WaitUntil([&] { return m_holder.held.load(); }));
    for (std::size_t n = 1; n < kQueuedBuffers + kDropped; ++n) {
        m_device.Fill(NumberedBlock(n));
    }
    // The drop ends inside a block: the rest of that block is dropped too, so every block after
    // the gap keeps its place.
    const std::vector<std::uint8_t> split = NumberedBlock(kQueuedBuffers + kDropped);
    m_device.Fill(std::span(split).first(kBlockBytes / 2));
    // A drop of seconds: the device delivered all the while, so it is no pause of the input.
    std::this_thread::sleep_for(2500ms);
    m_holder.release = true;
    ASSERT_TRUE(WaitUntil([&] { return HeardBlocks().size() >= kQueuedBuffers; }));
    m_device.Fill(std::span(split).subspan(kBlockBytes / 2));
    const std::size_t total = kQueuedBuffers + kDropped + kAfter;
    for (std::size_t n = kQueuedBuffers + kDropped + 1; n < total; ++n) {
        m_device.Fill(NumberedBlock(n));
    }
    ASSERT_TRUE(WaitUntil([&] { return HeardBlocks().size() == total; }));
    m_controller.StopCapture();
    m_controller.AwaitAllEnded();

    std::vector<int> expected;
    for (std::size_t n = 0; n < total; ++n) {
        const bool dropped = n >= kQueuedBuffers && n <= kQueuedBuffers + kDropped;
        expected.push_back(dropped ? 128 : static_cast<int>(n % 100));
    }
    EXPECT_EQ(HeardBlocks(), expected);
    const std::vector<std::string> entries = m_log.Entries();
    EXPECT_EQ(m_log.Count("overrun"), 1u);
    // Told as soon as the run reaches the place where sound went missing.
    std::size_t blocksBeforeTold = 0;
    std::vector<std::string> ratesInGap;
    std::size_t blocks = 0;
    for (const std::string& entry : entries) {
        if (entry == "overrun") {
            blocksBeforeTold = blocks;
        } else if (entry.starts_with("block")) {
            ++blocks;
        } else if (entry.starts_with("rate") && blocks > kQueuedBuffers &&
                   blocks <= kQueuedBuffers + kDropped) {
            ratesInGap.push_back(entry);
        }
    }
    EXPECT_EQ(blocksBeforeTold, kQueuedBuffers);
    EXPECT_EQ(ratesInGap, std::vector<std::string>(kDropped / 10, "rate0"));
    EXPECT_FALSE(m_error.has_value());
}

}  // namespace
}  // namespace marulo::acquisition
