// SPDX-License-Identifier: GPL-3.0-or-later
// The capture thread's work for one second of audio: ten blocks through the listeners (the
// recorder writing its working files, and one listener that does next to nothing) and the
// heart-rate analysis; the second variant adds the live signal mark.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "acquisition/CaptureThread.h"
#include "acquisition/Recorder.h"
#include "livesignal/LiveSignalListener.h"

namespace marulo::acquisition {
namespace {

class CountingListener final : public AcquisitionListener {
public:
    void OnCaptureOpen() override {}
    void OnAudioBlock(std::span<const std::uint8_t> block) override { m_bytes += block.size(); }
    void OnHeartRate(std::int32_t beatsPerMinute) override { m_lastRate = beatsPerMinute; }
    void OnCaptureClose() override {}

private:
    std::size_t m_bytes = 0;
    std::int32_t m_lastRate = 0;
};

std::vector<std::uint8_t> OneSecondOfNoisyBeats() {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-20, 20);
    std::vector<std::uint8_t> bytes(kBlocksPerReport * kBlockBytes);
    for (std::size_t frame = 0; frame < bytes.size() / 2; ++frame) {
        const bool beat = (frame / kLevelsPerDetectorFrame) % 43 < 3;
        bytes[2 * frame] = static_cast<std::uint8_t>(128 + (beat ? 4 : 1) * noise(random));
        bytes[2 * frame + 1] = static_cast<std::uint8_t>(128 + noise(random));
    }
    return bytes;
}

void CaptureThreadPerSecondOfAudio(benchmark::State& state) {
    const auto previous = std::filesystem::current_path();
    const auto folder = std::filesystem::temp_directory_path() /
                        ("marulo-capture-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);

    Recorder recorder{std::filesystem::path()};
    CountingListener counter;
    int marks = 0;
    livesignal::LiveSignalListener liveMark([&marks](auto /*value*/) { ++marks; });
    const bool withLiveMark = state.range(0) != 0;
    BlockAnalyzer analyzer;
    CaptureThread thread(
        [&](std::vector<AcquisitionListener*>& listeners) {
            listeners = {&recorder, &counter};
            if (withLiveMark) {
                listeners.push_back(&liveMark);
            }
        },
        analyzer, [](const platform::SoundInputError&, CaptureFault) {});
    const std::vector<std::uint8_t> second = OneSecondOfNoisyBeats();
    constexpr int kSecondsPerRecording = 600;

    recorder.OnCaptureOpen();
    liveMark.OnCaptureOpen();
    int seconds = 0;
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < second.size(); offset += kBlockBytes) {
            thread.HandleBlock(std::span(second).subspan(offset, kBlockBytes));
        }
        if (++seconds == kSecondsPerRecording) {
            // Keeps the working files at a realistic size.
            state.PauseTiming();
            recorder.OnCaptureOpen();
            seconds = 0;
            state.ResumeTiming();
        }
    }
    state.SetLabel(withLiveMark ? "per second of audio, with the live mark"
                                : "per second of audio");

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
}
BENCHMARK(CaptureThreadPerSecondOfAudio)
    ->ArgName("liveMark")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace marulo::acquisition

BENCHMARK_MAIN();
