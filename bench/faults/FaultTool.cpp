// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-faulttool: the fault bench's helpers. "count" lists the audio a program folder holds
// after a fault; "feed" plays a WAV's samples into a sound-server pipe at a live device's pace.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>

#include "bench/faults/StoredAudio.h"
#include "recordformat/WavReader.h"

namespace {

using namespace std::chrono_literals;
using marulo::faults::StoredPlace;

constexpr std::string_view kUsage =
    "usage: marulo-faulttool count PROGRAM_FOLDER\n"
    "       marulo-faulttool feed FIFO WAV\n";

const char* PlaceWord(StoredPlace place) {
    switch (place) {
        case StoredPlace::Record:
            return "record";
        case StoredPlace::Kept:
            return "kept";
        case StoredPlace::Working:
            return "working";
    }
    return "?";
}

// One line per place: PLACE SECONDS TRACE_VALUES FILE, with "-" for what is unknown.
int Count(const std::filesystem::path& folder) {
    for (const auto& found : marulo::faults::FindStoredAudio(folder)) {
        char seconds[32] = "-";
        if (found.seconds) {
            std::snprintf(seconds, sizeof seconds, "%.2f", *found.seconds);
        }
        std::cout << PlaceWord(found.place) << ' ' << seconds << ' '
                  << (found.traceValues ? std::to_string(*found.traceValues) : "-") << ' '
                  << found.file.string() << '\n';
    }
    return 0;
}

// 0.1 s of samples every 0.1 s, on a steady clock so the pace does not drift; ends with the
// file or when the reader goes away. Like a live device, it never waits for a reader that has
// stopped reading: what does not fit the pipe is dropped.
int Feed(const std::string& fifo, const std::string& wavPath) {
    std::string error;
    const auto wav = marulo::recordformat::ReadWavFile(wavPath, error);
    if (!wav) {
        std::cerr << "marulo-faulttool: " << error << '\n';
        return 1;
    }
    signal(SIGPIPE, SIG_IGN);
    const int fd = open(fifo.c_str(), O_WRONLY);
    if (fd < 0) {
        std::cerr << "marulo-faulttool: cannot open " << fifo << '\n';
        return 1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    const std::size_t block = wav->format.averageBytesPerSecond / 10;
    auto next = std::chrono::steady_clock::now();
    for (std::size_t offset = 0; offset < wav->samples.size();) {
        std::this_thread::sleep_until(next);
        next += 100ms;
        const std::size_t end = std::min(wav->samples.size(), offset + block);
        while (offset < end) {
            const ssize_t written = write(fd, wav->samples.data() + offset, end - offset);
            if (written < 0 && errno == EAGAIN) {
                offset = end;
                break;
            }
            if (written <= 0) {
                close(fd);
                return 0;
            }
            offset += static_cast<std::size_t>(written);
        }
    }
    close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "";
    if (command == "count" && argc == 3) {
        return Count(argv[2]);
    }
    if (command == "feed" && argc == 4) {
        return Feed(argv[2], argv[3]);
    }
    std::cerr << kUsage;
    return 2;
}
