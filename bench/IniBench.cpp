// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up with a large Conf.ini: reading a file of many keys once, and a start-up's worth of
// text lookups in a file written a moment ago (too young for its time to be trusted).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/IniFile.h"

namespace {

namespace fs = std::filesystem;
using marulo::platform::IniDocument;
using marulo::platform::IniFile;

// A Conf.ini whose Message section holds the given number of keys, about 40 bytes each.
std::string ManyKeys(int keys) {
    std::string text = "[Message]\n";
    for (int i = 0; i < keys; ++i) {
        text +=
            "Key" + std::to_string(i) + "=A text of the message number " + std::to_string(i) + "\n";
    }
    return text + "[Font]\nName=DejaVu Sans\n";
}

void ParseManyKeys(benchmark::State& state) {
    const std::string text = ManyKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const IniDocument document(text);
        benchmark::DoNotOptimize(document.Find("Font", "Name"));
    }
    state.counters["MB"] = static_cast<double>(text.size()) / 1e6;
}
BENCHMARK(ParseManyKeys)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond);

// 300 lookups, about what painting the first window asks, in a file written just before.
void LookupsInAFreshFile(benchmark::State& state) {
    const fs::path file = fs::temp_directory_path() / "marulo-ini-bench.ini";
    std::ofstream(file) << ManyKeys(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        fs::last_write_time(file, fs::file_time_type::clock::now());
        for (int i = 0; i < 300; ++i) {
            benchmark::DoNotOptimize(IniFile::ReadString(file, "Message", "Key7", "", 1024));
        }
    }
    fs::remove(file);
}
BENCHMARK(LookupsInAFreshFile)->Arg(10000)->Arg(250000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
