// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-process figure of marulo-analyze on one hour of capture-format audio: wall and CPU time,
// the factor against real time, and peak memory, from the child's resource usage.
// usage: analyze_bench [--check] [FILE.wav] [RUNS]   (default: one synthetic hour, 5 runs;
//        --check measures marulo-analyze --check)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/synth/SyntheticRecording.h"

namespace {

constexpr double kAudioSeconds = 3600.0;

struct RunFigures {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    long peakKiB = 0;
    int status = -1;
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// One run with standard output thrown away; wait4 gives this child's own usage.
RunFigures RunOnce(const std::string& file, bool check) {
    RunFigures figures;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        if (check) {
            ::execl(MARULO_ANALYZE, MARULO_ANALYZE, "--check", file.c_str(),
                    static_cast<char*>(nullptr));
        } else {
            ::execl(MARULO_ANALYZE, MARULO_ANALYZE, file.c_str(), static_cast<char*>(nullptr));
        }
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    figures.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    figures.peakKiB = usage.ru_maxrss;
    figures.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc > 1 && std::string(argv[1]) == "--check";
    if (check) {
        --argc;
        ++argv;
    }
    std::filesystem::path file;
    std::filesystem::path made;
    if (argc > 1) {
        file = argv[1];
    } else {
        made = std::filesystem::temp_directory_path() /
               ("marulo-analyze-bench-" + std::to_string(::getpid()) + ".wav");
        marulo::synth::SynthOptions options;
        options.seconds = kAudioSeconds;
        std::string error;
        if (!marulo::synth::WriteCaptureWav(made, marulo::synth::SynthesizeCaptureBytes(options),
                                            error)) {
            std::fprintf(stderr, "analyze_bench: %s\n", error.c_str());
            return 1;
        }
        file = made;
    }
    const int runs = argc > 2 ? std::max(1, std::stoi(argv[2])) : 5;

    RunFigures best;
    best.wallSeconds = best.cpuSeconds = 1e9;
    for (int i = 0; i < runs; ++i) {
        const RunFigures run = RunOnce(file.string(), check);
        if (run.status != 0) {
            std::fprintf(stderr, "analyze_bench: marulo-analyze ended with status %d\n",
                         run.status);
            return 1;
        }
        best.wallSeconds = std::min(best.wallSeconds, run.wallSeconds);
        best.cpuSeconds = std::min(best.cpuSeconds, run.cpuSeconds);
        best.peakKiB = std::max(best.peakKiB, run.peakKiB);
    }
    if (!made.empty()) {
        std::filesystem::remove(made);
    }
    std::printf("one hour through marulo-analyze%s, best of %d runs:\n", check ? " --check" : "",
                runs);
    std::printf("  wall %.3f s (%.0fx real time)\n", best.wallSeconds,
                kAudioSeconds / best.wallSeconds);
    std::printf("  cpu  %.3f s (%.0fx real time)\n", best.cpuSeconds,
                kAudioSeconds / best.cpuSeconds);
    std::printf("  peak memory %.1f MiB\n", static_cast<double>(best.peakKiB) / 1024.0);
    std::printf(check ? "  goals: at least 10000x real time (0.36 s), memory flat\n"
                      : "  goals: at least 20000x real time (0.18 s), under 16 MiB\n");
    return 0;
}
