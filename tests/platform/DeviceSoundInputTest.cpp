// SPDX-License-Identifier: GPL-3.0-or-later
// A capture device of the private sound service, with the device list put in the test's hands:
// a device that leaves the list ends its input as lost (the sound server would move the stream
// to another device unseen), and a sound server that hangs costs the caller a bounded wait.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "platform/SoundInputChoice.h"
#include "tests/support/PulseTestMain.h"

namespace marulo::testing {
namespace {

using namespace std::chrono_literals;
using platform::SoundInputProblem;

// What an input posted while the test ran the user-interface thread's events.
struct Posted {
    int blocks = 0;
    int blocksAfterLost = 0;
    bool lost = false;
};

// Reads the input's messages for the time given, running the events of this (the
// user-interface) thread meanwhile; at unlist, the device leaves the list.
Posted Drive(platform::ThreadMessageQueue& queue, platform::SoundInput& input,
             std::chrono::milliseconds length, std::optional<std::chrono::milliseconds> unlist,
             std::atomic<bool>& listed) {
    Posted posted;
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < length) {
        if (unlist && std::chrono::steady_clock::now() - start >= *unlist) {
            listed = false;
        }
        QCoreApplication::processEvents();
        std::optional<platform::ThreadMessage> message =
            queue.WaitUntil(std::chrono::steady_clock::now() + 10ms);
        if (!message) {
            continue;
        }
        if (message->id == platform::kMessageInputData) {
            ++(posted.lost ? posted.blocksAfterLost : posted.blocks);
            input.AddBuffer(std::move(message->buffer));
        } else if (message->id == platform::kMessageInputLost) {
            EXPECT_FALSE(posted.lost) << "lost twice";
            posted.lost = true;
        }
    }
    return posted;
}

struct LeaveCase {
    const char* name;
    std::optional<std::chrono::milliseconds> unlist;
    bool lost;
};

class DeviceLeavesTheList : public ::testing::TestWithParam<LeaveCase> {};

TEST_P(DeviceLeavesTheList, EndsTheInputAsLostAndNothingFollows) {
    const LeaveCase& c = GetParam();
    PrivatePulseAudio* const pulse = SharedPulseAudio();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    platform::SetSoundInputFile(std::nullopt);
    pulse->FeedPaced(std::vector<std::uint8_t>(16000 * 5, 128));
    const std::optional<platform::SoundInputDevice> device = platform::DefaultSoundInputDevice();
    ASSERT_TRUE(device);
    std::atomic<bool> listed{true};
    const auto input =
        platform::CreateDeviceInput(*device, [&listed, id = device->id](const std::string& asked) {
            return asked == id && listed.load();
        });
    platform::ThreadMessageQueue queue;
    platform::SoundInputError error;
    ASSERT_TRUE(input->Open(acquisition::CaptureFormat(), queue, error)) << error.text;
    for (int i = 0; i < 25; ++i) {
        auto buffer = std::make_unique<platform::SoundBuffer>();
        buffer->bytes.resize(acquisition::kBlockBytes);
        input->AddBuffer(std::move(buffer));
    }
    ASSERT_TRUE(input->Start(error)) << error.text;
    const Posted posted = Drive(queue, *input, 2500ms, c.unlist, listed);
    input->Stop();
    input->Reset();
    input->Close();
    pulse->StopFeeding();

    EXPECT_GT(posted.blocks, 3);
    EXPECT_EQ(posted.lost, c.lost);
    EXPECT_EQ(posted.blocksAfterLost, 0);
    if (c.lost) {
        EXPECT_EQ(input->LostError().problem, SoundInputProblem::DeviceGone);
        EXPECT_EQ(input->LostError().subject, device->description);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DeviceLeavesTheList,
                         ::testing::Values(LeaveCase{"staysListed", std::nullopt, false},
                                           LeaveCase{"leavesMidRun", 1000ms, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A sound server that hangs: opening, starting and closing the input each end within their
// bound and say the system does not answer; the input works again once the server does.
TEST(DeviceSoundInput, AHungSoundServerNeverHoldsTheCaller) {
    PrivatePulseAudio* const pulse = SharedPulseAudio();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    platform::SetSoundInputFile(std::nullopt);
    const std::optional<platform::SoundInputDevice> device = platform::DefaultSoundInputDevice();
    ASSERT_TRUE(device);
    pulse->Pause(true);
    {
        const auto input = platform::CreateDeviceInput(*device, {});
        platform::ThreadMessageQueue queue;
        platform::SoundInputError error;
        const bool opened = input->Open(acquisition::CaptureFormat(), queue, error);
        const bool started = opened && input->Start(error);
        EXPECT_FALSE(started);
        EXPECT_EQ(error.problem, SoundInputProblem::NoAnswer);
        input->Stop();
        input->Close();
    }
    pulse->Pause(false);
    platform::SoundInputError error;
    EXPECT_TRUE(platform::TrySoundInput(*device, acquisition::CaptureFormat(), error))
        << error.text;
}

}  // namespace
}  // namespace marulo::testing
