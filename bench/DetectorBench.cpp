// SPDX-License-Identifier: GPL-3.0-or-later
// Speed of the heart-rate detector and of the per-block analysis against real time
// (100 detector frames, 10 blocks a second).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "acquisition/BlockAnalyzer.h"
#include "acquisition/CaptureFormat.h"
#include "acquisition/HeartRateDetector.h"

namespace {

using marulo::acquisition::BlockAnalyzer;
using marulo::acquisition::HeartRateDetector;
using marulo::acquisition::kBlockBytes;

constexpr int kSecondsPerHour = 3600;
constexpr int kBytesPerSecond = 16000;

// One second of capture bytes: a beat every 0.3 s on the first channel with some noise.
std::vector<std::uint8_t> BeatingSecond(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-8, 8);
    std::vector<std::uint8_t> bytes(kBytesPerSecond);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t frame = i / 160;
        const int level = (frame % 30 < 3 ? 90 : 10) * (i % 4 == 0 ? 1 : -1) + noise(random);
        bytes[i] = static_cast<std::uint8_t>(i % 2 == 0 ? 128 - level : 128);
    }
    return bytes;
}

void DetectorFrames(benchmark::State& state) {
    const auto second = BeatingSecond(1);
    std::vector<std::array<std::int32_t, HeartRateDetector::kFrameLevels>> frames(100);
    for (std::size_t f = 0; f < frames.size(); ++f) {
        for (std::size_t i = 0; i < HeartRateDetector::kFrameLevels; ++i) {
            frames[f][i] = marulo::acquisition::ConvertSample(second, 2 * (f * 80 + i));
        }
    }
    HeartRateDetector detector;
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(detector.Process(frames[next]));
        next = next + 1 == frames.size() ? 0 : next + 1;
    }
    state.counters["frames"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["x_real_time"] = benchmark::Counter(
        static_cast<double>(state.iterations()) / 100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(DetectorFrames);

// One hour of audio, 3600 s x 16000 bytes, through the block arithmetic as a capture run does.
void AnalyzeOneHour(benchmark::State& state) {
    std::vector<std::uint8_t> hour;
    hour.reserve(static_cast<std::size_t>(kSecondsPerHour) * kBytesPerSecond);
    for (int s = 0; s < kSecondsPerHour; ++s) {
        const auto second = BeatingSecond(static_cast<std::uint32_t>(s % 16));
        hour.insert(hour.end(), second.begin(), second.end());
    }
    for (auto _ : state) {
        BlockAnalyzer analyzer;
        std::int64_t sum = 0;
        for (std::size_t at = 0; at < hour.size(); at += kBlockBytes) {
            sum += analyzer.ProcessBlock(std::span(hour).subspan(at, kBlockBytes)).value_or(0);
        }
        benchmark::DoNotOptimize(sum);
    }
    const double frames = 100.0 * kSecondsPerHour * static_cast<double>(state.iterations());
    state.counters["frames"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["x_real_time"] = benchmark::Counter(frames / 100.0, benchmark::Counter::kIsRate);
}
BENCHMARK(AnalyzeOneHour)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
