// SPDX-License-Identifier: GPL-3.0-or-later
// Times marulo-report on an eight-hour record, as a whole process: CPU time and peak memory of
// writing its PDF and CSV, at both paper speeds.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/CaptureFormat.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"

namespace {

namespace fs = std::filesystem;

// Eight hours that look like a night at home: a slowly wandering rate with beat-to-beat
// variation, and a lost signal now and then.
std::vector<std::int32_t> NightTrace() {
    std::vector<std::int32_t> trace(8 * 3600);
    std::uint32_t noise = 1;
    for (std::size_t s = 0; s < trace.size(); ++s) {
        noise = noise * 1664525U + 1013904223U;
        const bool lost = (s / 97) % 11 == 3;
        trace[s] = lost ? 0
                        : static_cast<std::int32_t>(140 + 12 * std::sin(s / 900.0) +
                                                    static_cast<int>(noise >> 29) - 4);
    }
    return trace;
}

void WriteRecord(const fs::path& archive) {
    const fs::path trace = archive.parent_path() / "Data.hr";
    const fs::path audio = archive.parent_path() / "Data.wav";
    {
        std::ofstream out(trace, std::ios::binary);
        for (const std::int32_t value : NightTrace()) {
            const auto raw = static_cast<std::uint32_t>(value);
            const char bytes[4] = {static_cast<char>(raw), static_cast<char>(raw >> 8),
                                   static_cast<char>(raw >> 16), static_cast<char>(raw >> 24)};
            out.write(bytes, 4);
        }
        // The report reads the trace only; a short audio item keeps the archive small.
        std::ofstream wav(audio, std::ios::binary);
        const auto header =
            marulo::recordformat::WavHeader(marulo::acquisition::CaptureFormat(), 2);
        wav.write(reinterpret_cast<const char*>(header.data()), header.size());
        wav.write("\x80\x80", 2);
    }
    marulo::platform::ZipWriter zip;
    zip.Create(archive);
    zip.AddFile("Data.wav", audio);
    zip.AddFile("Data.hr", trace);
    zip.Close();
}

struct ProcessCost {
    int status = -1;
    double cpuSeconds = 0;
    double peakMiB = 0;
};

ProcessCost RunMeasured(const std::vector<std::string>& args) {
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            seconds(usage.ru_utime) + seconds(usage.ru_stime), usage.ru_maxrss / 1024.0};
}

}  // namespace

int main() {
    char pattern[] = "/tmp/marulo-report-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return 1;
    }
    const fs::path folder = pattern;
    const fs::path record = folder / "Anna_20100512_20100210063000000.zip";
    WriteRecord(record);
    std::printf("eight-hour record (28800 s), marulo-report as a whole process, best of 3\n");
    std::printf("%-22s %10s %14s %10s %10s\n", "run", "CPU s", "peak MiB", "PDF KiB", "CSV KiB");
    for (const char* speed : {"1", "3"}) {
        ProcessCost best;
        for (int run = 0; run < 3; ++run) {
            const ProcessCost cost =
                RunMeasured({MARULO_REPORT_TOOL, record.string(), "--speed", speed, "--pdf",
                             (folder / "r.pdf").string(), "--csv", (folder / "r.csv").string()});
            if (cost.status != 0) {
                std::printf("marulo-report failed with status %d\n", cost.status);
                return 1;
            }
            if (run == 0 || cost.cpuSeconds < best.cpuSeconds) {
                best = cost;
            }
        }
        std::printf("PDF + CSV, %s cm/min %14.3f %14.1f %10.0f %10.0f\n", speed, best.cpuSeconds,
                    best.peakMiB, fs::file_size(folder / "r.pdf") / 1024.0,
                    fs::file_size(folder / "r.csv") / 1024.0);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
