// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a mother's records to a corrected due date on the UI thread: planning and renaming
// 200 records (a long pregnancy recorded twice a day), one way and back each round.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "archive/RecordRedating.h"

namespace {

namespace fs = std::filesystem;
using marulo::archive::CarryOutRedating;
using marulo::archive::PlanRedating;

void Redate(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "marulo-redating-bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const auto records = static_cast<int>(state.range(0));
    for (int i = 0; i < records; ++i) {
        std::ofstream(folder / ("Anna_20100512_20100101" + std::to_string(100000000 + i) + ".zip"))
            << "zip";
    }
    bool forth = true;
    for (auto _ : state) {
        const char* from = forth ? "2010-05-12" : "2010-05-19";
        const char* to = forth ? "2010-05-19" : "2010-05-12";
        const auto result = CarryOutRedating(folder, PlanRedating(folder, "Anna", from, to));
        if (result.renamed != static_cast<std::size_t>(records)) {
            state.SkipWithError("not every record moved");
        }
        forth = !forth;
    }
    fs::remove_all(folder);
}
BENCHMARK(Redate)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
