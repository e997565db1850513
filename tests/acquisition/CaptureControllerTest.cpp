// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureController.h"
#include "acquisition/CaptureFormat.h"
#include "tests/acquisition/CaptureTestSupport.h"
#include "tests/acquisition/SyntheticAudio.h"

namespace marulo::acquisition {
namespace {

using testing::LoggingListener;
using testing::WaitUntil;

// What a fake sound input does, shared between the test and the inputs the factory makes.
struct FakeDevice {
    bool openFails = false;
    bool startFails = false;
    bool closesItselfAfterBlocks = false;
    std::mutex mutex;
    std::deque<std::vector<std::uint8_t>> pending;  // blocks still to deliver, in order
    std::atomic<int> inputsMade{0};
    std::atomic<int> inputsClosed{0};

    bool AllDelivered() {
        std::lock_guard lock(mutex);
        return pending.empty();
    }
    void Deliver(std::vector<std::vector<std::uint8_t>> blocks) {
        std::lock_guard lock(mutex);
        pending.insert(pending.end(), blocks.begin(), blocks.end());
    }
};

// Delivers the device's pending blocks as fast as buffers are queued, from the capture thread.
class FakeSoundInput final : public platform::SoundInput {
public:
    explicit FakeSoundInput(FakeDevice& device)
        : m_device(device), m_number(++m_device.inputsMade) {}

    bool Open(const recordformat::WaveFormat& format, platform::ThreadMessageQueue& owner,
              platform::SoundInputError& error) override {
        EXPECT_EQ(format, CaptureFormat());
        if (m_device.openFails) {
            error = {7, "open refused"};
            return false;
        }
        m_owner = &owner;
        owner.Post(platform::kMessageInputOpen);
        return true;
    }
    void AddBuffer(std::unique_ptr<platform::SoundBuffer> buffer) override {
        EXPECT_EQ(buffer->bytes.size(), kBlockBytes);
        m_buffers.push_back(std::move(buffer));
        DeliverPending();
    }
    bool Start(platform::SoundInputError& error) override {
        if (m_device.startFails) {
            error = {9, "start refused"};
            return false;
        }
        m_started = true;
        DeliverPending();
        return true;
    }
    void Stop() override { m_started = false; }
    void Reset() override { m_buffers.clear(); }
    void Close() override {
        if (m_owner != nullptr) {
            ++m_device.inputsClosed;
            std::exchange(m_owner, nullptr)->Post(platform::kMessageInputClose);
        }
    }

private:
    void DeliverPending() {
        std::lock_guard lock(m_device.mutex);
        // A device's sound goes to the input made last: a closing run that still hands back
        // buffers must not take blocks meant for the next run.
        if (m_number != m_device.inputsMade) {
            return;
        }
        while (m_started && !m_buffers.empty() && !m_device.pending.empty()) {
            auto buffer = std::move(m_buffers.front());
            m_buffers.pop_front();
            const auto& block = m_device.pending.front();
            std::copy(block.begin(), block.end(), buffer->bytes.begin());
            buffer->recorded = block.size();
            m_device.pending.pop_front();
            m_owner->Post(platform::ThreadMessage{platform::kMessageInputData, std::move(buffer)});
            if (m_device.pending.empty() && m_device.closesItselfAfterBlocks) {
                m_owner->Post(platform::kMessageInputClose);
            }
        }
    }

    FakeDevice& m_device;
    const int m_number;
    platform::ThreadMessageQueue* m_owner = nullptr;
    std::deque<std::unique_ptr<platform::SoundBuffer>> m_buffers;
    bool m_started = false;
};

std::vector<std::vector<std::uint8_t>> SilentBlocks(int count) {
    return std::vector<std::vector<std::uint8_t>>(static_cast<std::size_t>(count),
                                                  std::vector<std::uint8_t>(kBlockBytes, 128));
}

class CaptureControllerTest : public ::testing::Test {
protected:
    CaptureControllerTest()
        : m_controller([this] { return std::make_unique<FakeSoundInput>(m_device); },
                       [] { return false; }) {}

    // Runs one capture of the blocks; the stop request queues up behind the last of them.
    void RunCapture(std::vector<std::vector<std::uint8_t>> blocks) {
        m_device.Deliver(std::move(blocks));
        m_controller.StartCapture();
        ASSERT_TRUE(WaitUntil([&] { return m_device.AllDelivered(); }));
        m_controller.StopCapture();
        m_controller.AwaitAllEnded();
    }

    FakeDevice m_device;
    LoggingListener::Log m_log;
    LoggingListener m_first{"first", m_log};
    LoggingListener m_second{"second", m_log};
    CaptureController m_controller;
};

TEST_F(CaptureControllerTest, EveryListenerHearsTheRunInOrderADuplicateTwiceARemovedOneNever) {
    m_controller.AddListener(m_first);
    m_controller.AddListener(m_second);
    m_controller.AddListener(m_first);
    RunCapture(SilentBlocks(10));

    std::vector<std::string> expected;
    const auto round = [&](const std::string& call) {
        for (const char* name : {"first:", "second:", "first:"}) {
            expected.push_back(name + call);
        }
    };
    round("open");
    for (int b = 0; b < 10; ++b) {
        round("block1600");
    }
    round("rate0");
    round("close");
    EXPECT_EQ(m_log.Entries(), expected);
    EXPECT_FALSE(m_controller.IsCapturing());
    EXPECT_EQ(m_device.inputsClosed, 1);

    m_controller.RemoveListener(m_first);
    m_log.entries.clear();
    RunCapture(SilentBlocks(1));
    EXPECT_EQ(m_log.Entries(),
              (std::vector<std::string>{"second:open", "second:block1600", "second:close"}));
}

std::vector<std::vector<std::uint8_t>> Blocks(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::vector<std::uint8_t>> blocks;
    for (std::size_t at = 0; at + kBlockBytes <= bytes.size(); at += kBlockBytes) {
        blocks.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                            bytes.begin() + static_cast<std::ptrdiff_t>(at + kBlockBytes));
    }
    return blocks;
}

// A run's rates come from its own sound only: neither the detector's history nor the block
// counter of the run before reaches it.
TEST_F(CaptureControllerTest, EveryRunStartsWithAFreshDetectorAndBlockCounter) {
    m_controller.AddListener(m_first);
    // 9.7 s of beats at about 143 per minute, then a quiet run.
    RunCapture(Blocks(testing::PulseTrain(42, 970)));
    ASSERT_TRUE(std::ranges::any_of(m_log.Entries(), [](const std::string& entry) {
        return entry.starts_with("first:rate") && entry != "first:rate0";
    }));
    m_log.entries.clear();
    const std::vector<std::uint8_t> quiet = testing::SilentCapture(250);
    RunCapture(Blocks(quiet));

    std::vector<std::string> expected{"first:open"};
    const std::vector<std::int32_t> fresh = AnalyzeCaptureBytes(quiet);
    for (int b = 1; b <= 25; ++b) {
        expected.push_back("first:block1600");
        if (b % 10 == 0) {
            expected.push_back("first:rate" + std::to_string(fresh.at(b / 10 - 1)));
        }
    }
    expected.push_back("first:close");
    EXPECT_EQ(fresh.size(), 2u);
    EXPECT_EQ(m_log.Entries(), expected);
}

TEST_F(CaptureControllerTest, AStopRightAfterTheStartStillGivesOneOpenAndOneClose) {
    m_controller.AddListener(m_first);
    m_controller.StartCapture();
    m_controller.StopCapture();
    EXPECT_FALSE(m_controller.IsCapturing());
    m_controller.AwaitAllEnded();
    EXPECT_EQ(m_log.Entries(), (std::vector<std::string>{"first:open", "first:close"}));
    EXPECT_EQ(m_device.inputsClosed, 1);
}

TEST_F(CaptureControllerTest, AShortBlockReachesListenersWithItsRecordedSizeOnly) {
    m_controller.AddListener(m_first);
    m_device.Deliver(
        {std::vector<std::uint8_t>(1000, 128), std::vector<std::uint8_t>(kBlockBytes, 128)});
    m_controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("first:block1600") == 1; }));
    m_controller.StopCapture();
    m_controller.AwaitAllEnded();
    EXPECT_EQ(m_log.Count("first:block1000"), 1u);
    EXPECT_EQ(m_log.Count("first:block1600"), 1u);
}

struct FailureCase {
    const char* name;
    bool openFails;
    bool startFails;
    int code;
    const char* text;
};

class CaptureFailure : public CaptureControllerTest,
                       public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CaptureFailure, IsReportedAndNoListenerIsCalled) {
    m_device.openFails = GetParam().openFails;
    m_device.startFails = GetParam().startFails;
    std::vector<CaptureError> reports;
    m_controller.SetErrorReporter([&](const CaptureError& error) { reports.push_back(error); });
    m_controller.AddListener(m_first);
    m_device.Deliver(SilentBlocks(3));
    m_controller.StartCapture();
    m_controller.AwaitAllEnded();

    EXPECT_FALSE(m_controller.IsCapturing());
    EXPECT_TRUE(m_log.Entries().empty());
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].anyCaptureDevice);
    EXPECT_EQ(reports[0].code, GetParam().code);
    EXPECT_EQ(reports[0].systemText, GetParam().text);
    // An input that was opened is closed again.
    EXPECT_EQ(m_device.inputsClosed, GetParam().startFails ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, CaptureFailure,
                         ::testing::Values(FailureCase{"open", true, false, 7, "open refused"},
                                           FailureCase{"start", false, true, 9, "start refused"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CaptureControllerTest, ADeviceThatClosesEndsTheRunWithOneClose) {
    m_device.closesItselfAfterBlocks = true;
    m_controller.AddListener(m_first);
    m_device.Deliver(SilentBlocks(2));
    m_controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return !m_controller.IsCapturing(); }));
    m_controller.StopCapture();
    m_controller.AwaitAllEnded();
    EXPECT_EQ(m_log.Entries(), (std::vector<std::string>{"first:open", "first:block1600",
                                                         "first:block1600", "first:close"}));
}

TEST_F(CaptureControllerTest, AStartWhileCapturingStartsNothing) {
    m_controller.AddListener(m_first);
    m_controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("first:open") == 1; }));
    m_controller.StartCapture();
    m_controller.StopCapture();
    m_controller.AwaitAllEnded();
    EXPECT_EQ(m_device.inputsMade, 1);
    EXPECT_EQ(m_log.Entries(), (std::vector<std::string>{"first:open", "first:close"}));
}

// Notes any call that begins while another is still running, and makes closing slow.
class OverlapDetector final : public AcquisitionListener {
public:
    void OnCaptureOpen() override { Enter(false); }
    void OnAudioBlock(std::span<const std::uint8_t>) override { Enter(false); }
    void OnHeartRate(std::int32_t) override { Enter(false); }
    void OnCaptureClose() override { Enter(true); }

    std::atomic<bool> overlapped{false};

private:
    void Enter(bool slow) {
        if (m_inside.fetch_add(1) != 0) {
            overlapped = true;
        }
        if (slow) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        m_inside.fetch_sub(1);
    }
    std::atomic<int> m_inside{0};
};

TEST_F(CaptureControllerTest, AStartRightAfterAStopWaitsForTheClosingRunOffTheCallersThread) {
    OverlapDetector detector;
    m_controller.AddListener(detector);
    m_controller.AddListener(m_first);
    m_device.Deliver(SilentBlocks(3));
    m_controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("first:block1600") == 3; }));
    m_controller.StopCapture();
    m_controller.StartCapture();  // returns at once although the first run is still closing
    EXPECT_TRUE(m_controller.IsCapturing());
    m_device.Deliver(SilentBlocks(2));
    ASSERT_TRUE(WaitUntil([&] { return m_log.Count("first:block1600") == 5; }));
    m_controller.StopCapture();
    m_controller.AwaitAllEnded();

    EXPECT_FALSE(detector.overlapped);
    std::vector<std::string> expected{"first:open"};
    expected.insert(expected.end(), 3, "first:block1600");
    expected.push_back("first:close");
    expected.push_back("first:open");
    expected.insert(expected.end(), 2, "first:block1600");
    expected.push_back("first:close");
    EXPECT_EQ(m_log.Entries(), expected);
}

TEST_F(CaptureControllerTest, AwaitAllEndedWakesOnlyOnceTheClosingRunHasEndedAndSaidSo) {
    // A listener whose close goes on until another thread lets it, as a long packing would.
    class SlowClose final : public AcquisitionListener {
    public:
        void OnCaptureOpen() override {}
        void OnAudioBlock(std::span<const std::uint8_t>) override {}
        void OnHeartRate(std::int32_t) override {}
        void OnCaptureClose() override {
            closing = true;
            closing.notify_all();
            let.wait(false);
        }
        std::atomic<bool> closing{false};
        std::atomic<bool> let{false};
    } slowClose;
    std::atomic<int> notices{0};
    m_controller.SetRunEndedNotice([&] { ++notices; });
    m_controller.AddListener(slowClose);
    m_controller.StartCapture();
    m_controller.StopCapture();
    std::thread letter([&] {
        slowClose.closing.wait(false);
        EXPECT_EQ(notices, 0) << "told before its close was done";
        slowClose.let = true;
        slowClose.let.notify_all();
    });
    m_controller.AwaitAllEnded();
    EXPECT_TRUE(slowClose.let);
    EXPECT_EQ(notices, 1);
    EXPECT_FALSE(m_controller.AnyThreadRunning());
    letter.join();
    m_controller.SetRunEndedNotice({});
}

TEST(CaptureControllerLifetime, DestructionStopsARunningCaptureAndCallsNoListenerAfterwards) {
    FakeDevice device;
    LoggingListener::Log log;
    LoggingListener listener{"", log};
    {
        CaptureController controller([&] { return std::make_unique<FakeSoundInput>(device); },
                                     [] { return true; });
        controller.AddListener(listener);
        controller.StartCapture();
        ASSERT_TRUE(WaitUntil([&] { return log.Count("open") == 1; }));
    }
    EXPECT_EQ(device.inputsClosed, 1);
    EXPECT_EQ(log.Entries(), std::vector<std::string>{"open"});
}

}  // namespace
}  // namespace marulo::acquisition
