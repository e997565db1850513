// SPDX-License-Identifier: GPL-3.0-or-later
// A real capture through the system's sound service: a private PulseAudio whose pipe source is
// fed a known recording in real time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureController.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/Recorder.h"
#include "platform/Zip.h"
#include "tests/acquisition/CaptureTestSupport.h"
#include "tests/support/PrivatePulseAudio.h"

namespace marulo::acquisition {
namespace {

using testing::LoggingListener;
using testing::ReadBytes;
using testing::U32At;
using testing::WaitUntil;

// Set in a child process that must find no sound service at all.
constexpr const char* kNoDeviceChildVariable = "MARULO_TEST_NO_DEVICE_CHILD";

testing::PrivatePulseAudio* g_pulse = nullptr;
std::string g_whyNoPulse;

void PumpEvents() {
    QCoreApplication::processEvents();
}

// Capture-format audio that never repeats: a beat about 140 times a minute on the first
// channel over a little noise, and noise on the second.
std::vector<std::uint8_t> BeatingNoise(std::size_t blocks) {
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> small(-2, 2);
    std::uniform_int_distribution<int> any(0, 255);
    std::vector<std::uint8_t> bytes(blocks * kBlockBytes);
    for (std::size_t frame = 0; frame < bytes.size() / 2; ++frame) {
        const std::size_t detectorFrame = frame / kLevelsPerDetectorFrame;
        const bool beat = detectorFrame % 43 < 3 && frame % kLevelsPerDetectorFrame == 0;
        bytes[2 * frame] = static_cast<std::uint8_t>(beat ? 28 : 128 + small(random));
        bytes[2 * frame + 1] = static_cast<std::uint8_t>(any(random));
    }
    return bytes;
}

// The captured run with any silence the source gave before the feed began or after it ended.
std::vector<std::uint8_t> TrimSilence(std::vector<std::uint8_t> bytes) {
    const auto sound = [](std::uint8_t b) { return b != 128; };
    const auto first = std::find_if(bytes.begin(), bytes.end(), sound);
    const auto last = std::find_if(bytes.rbegin(), bytes.rend(), sound).base();
    return first < last ? std::vector<std::uint8_t>(first, last) : std::vector<std::uint8_t>{};
}

TEST(CaptureService, CapturesTheFedAudioRecordsAndPacksIt) {
    if (g_pulse == nullptr) {
        GTEST_SKIP() << "no private PulseAudio here: " << g_whyNoPulse;
    }
    testing::WorkingFolder folder;
    CaptureController controller(&platform::CreateSoundInput, &platform::AnyCaptureDeviceExists);
    Recorder recorder{std::filesystem::path()};
    LoggingListener::Log log;
    LoggingListener listener("", log, true);
    controller.AddListener(recorder);
    controller.AddListener(listener);
    std::vector<CaptureError> errors;
    controller.SetErrorReporter([&](const CaptureError& error) { errors.push_back(error); });

    controller.StartCapture();
    ASSERT_TRUE(WaitUntil([&] { return log.Count("open") == 1 || !errors.empty(); }, PumpEvents))
        << "the capture did not open";
    ASSERT_TRUE(errors.empty()) << errors[0].systemText;

    const std::vector<std::uint8_t> fed = BeatingNoise(40);
    g_pulse->FeedPaced(fed);
    ASSERT_TRUE(WaitUntil([&] { return g_pulse->FeedDone(); }, PumpEvents));
    // Let the last blocks through the sound service.
    WaitUntil([] { return false; }, PumpEvents, std::chrono::seconds(1));
    controller.StopCapture();
    controller.AwaitAllEnded();
    PumpEvents();

    const std::vector<std::string> entries = log.Entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries.front(), "open");
    EXPECT_EQ(entries.back(), "close");
    EXPECT_EQ(log.Count("close"), 1u);
    std::vector<std::uint8_t> captured;
    for (const auto& block : log.blocks) {
        EXPECT_EQ(block.size(), kBlockBytes);
        captured.insert(captured.end(), block.begin(), block.end());
    }

    // The stream is the fed audio, whole and in order, wherever it began.
    const std::vector<std::uint8_t> sound = TrimSilence(captured);
    ASSERT_GE(sound.size(), fed.size() * 3 / 4);
    EXPECT_NE(std::search(fed.begin(), fed.end(), sound.begin(), sound.end()), fed.end());

    // A rate after every tenth block, the values of the offline analysis of what was captured.
    std::vector<std::string> expected{"open"};
    const std::vector<std::int32_t> rates = AnalyzeCaptureBytes(captured);
    for (std::size_t b = 1; b <= log.blocks.size(); ++b) {
        expected.push_back("block1600");
        if (b % kBlocksPerReport == 0) {
            expected.push_back("rate" + std::to_string(rates.at(b / kBlocksPerReport - 1)));
        }
    }
    expected.push_back("close");
    EXPECT_EQ(entries, expected);
    EXPECT_TRUE(std::ranges::any_of(rates, [](std::int32_t rate) { return rate > 0; }));

    platform::ZipReader archive;
    ASSERT_TRUE(archive.Open(kWorkingArchive));
    ASSERT_EQ(archive.ItemCount(), 2);
    EXPECT_EQ(archive.ItemName(0), "Data.wav");
    EXPECT_EQ(archive.ItemName(1), "Data.hr");
    ASSERT_TRUE(archive.ExtractItemToFile(0, "check.wav"));
    const std::vector<std::uint8_t> wav = ReadBytes("check.wav");
    ASSERT_EQ(wav.size(), 44 + captured.size());
    EXPECT_EQ(U32At(wav, 4), 36 + captured.size());
    EXPECT_EQ(U32At(wav, 40), captured.size());
    EXPECT_TRUE(std::equal(captured.begin(), captured.end(), wav.begin() + 44));
}

// Runs one capture with no sound service reachable; prints what the listeners and the error
// reporter saw.
int CaptureWithoutDevice(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    CaptureController controller(&platform::CreateSoundInput, &platform::AnyCaptureDeviceExists);
    LoggingListener::Log log;
    LoggingListener listener("", log);
    controller.AddListener(listener);
    std::vector<CaptureError> errors;
    controller.SetErrorReporter([&](const CaptureError& error) { errors.push_back(error); });
    controller.StartCapture();
    controller.AwaitAllEnded();
    PumpEvents();
    std::printf("reports=%zu listenerCalls=%zu capturing=%d", errors.size(), log.Entries().size(),
                controller.IsCapturing() ? 1 : 0);
    for (const CaptureError& error : errors) {
        std::printf(" any=%d code=%d text=%s", error.anyCaptureDevice ? 1 : 0, error.code,
                    error.systemText.c_str());
    }
    std::printf("\n");
    return 0;
}

TEST(CaptureService, WithoutAnyCaptureDeviceOnlyTheErrorIsReported) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    // No sound service, and no other device provider to fall back on.
    const std::string command = std::string("env -u ") + platform::kSoundInputFileVariable + " " +
                                kNoDeviceChildVariable +
                                "=1 PULSE_SERVER=unix:/nonexistent/marulo/native "
                                "GST_PLUGIN_FEATURE_RANK=alsadeviceprovider:NONE,"
                                "jackdeviceprovider:NONE,pipewiredeviceprovider:NONE '" +
                                self + "' 2>/dev/null";
    std::FILE* child = ::popen(command.c_str(), "r");
    ASSERT_NE(child, nullptr);
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, child) != nullptr) {
        output += chunk;
    }
    ASSERT_EQ(::pclose(child), 0) << output;
    EXPECT_NE(output.find("reports=1 listenerCalls=0 capturing=0 any=0 code="), std::string::npos)
        << output;
}

}  // namespace
}  // namespace marulo::acquisition

int main(int argc, char** argv) {
    if (std::getenv(marulo::acquisition::kNoDeviceChildVariable) != nullptr) {
        return marulo::acquisition::CaptureWithoutDevice(argc, argv);
    }
    ::testing::InitGoogleTest(&argc, argv);
    // The sound service must run before Qt Multimedia first looks for devices.
    std::unique_ptr<marulo::testing::PrivatePulseAudio> pulse;
    if (!::testing::GTEST_FLAG(list_tests)) {
        pulse = marulo::testing::PrivatePulseAudio::Start(marulo::acquisition::g_whyNoPulse);
        marulo::acquisition::g_pulse = pulse.get();
    }
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
