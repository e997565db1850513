// SPDX-License-Identifier: GPL-3.0-or-later
// Opening hostile records in the review chart: a 2 GB trace of zeros packed into about 2 MB,
// once with its true size in the archive and once with the size rewritten to 4 bytes. Prints, per
// record, how long the view took to refuse it, the longest stall of the window's event loop
// meanwhile, and the peak memory of the process.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "archive/RecordArchive.h"
#include "jobs/QtPost.h"
#include "platform/Zip.h"
#include "review/ReviewModel.h"
#include "session/WorkingFilesOwner.h"
#include "views/ReviewBinding.h"
#include "views/ReviewView.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kBombBytes = 2ULL * 1024 * 1024 * 1024;

long PeakKibibytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Rewrites the uncompressed size of every item, in its local header and in the central
// directory, to 4 bytes: a record that lies about what it holds.
void ClaimTinySizes(const fs::path& archive) {
    std::string bytes = ReadAll(archive);
    const auto patch = [&](const char* signature, std::size_t sizeOffset) {
        for (auto at = bytes.find(signature); at != std::string::npos;
             at = bytes.find(signature, at + 4)) {
            bytes.replace(at + sizeOffset, 4, std::string("\4\0\0\0", 4));
        }
    };
    patch("PK\3\4", 22);
    patch("PK\1\2", 24);
    std::ofstream(archive, std::ios::binary) << bytes;
}

// Packs a sparse file of zeros as the trace, next to a tiny audio item.
fs::path MakeBomb(const fs::path& folder) {
    const fs::path zeros = folder / "zeros";
    std::ofstream(zeros, std::ios::binary).close();
    fs::resize_file(zeros, kBombBytes);
    const fs::path small = folder / "small";
    std::ofstream(small, std::ios::binary) << std::string(4, '\x8c');
    const fs::path archive = folder / "trace-bomb-honest.zip";
    marulo::platform::ZipWriter writer;
    writer.Create(archive);
    writer.AddFile(std::string(marulo::archive::kAudioItemName), small);
    writer.AddFile(std::string(marulo::archive::kTraceItemName), zeros);
    writer.Close();
    std::error_code ignored;
    fs::remove(zeros, ignored);
    return archive;
}

// Loads the record in the view and reports how the window fared meanwhile.
void OpenInView(marulo::views::ReviewBinding& binding, const fs::path& archive) {
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longestStall = std::max(longestStall, now - lastTick);
        lastTick = now;
    });
    bool done = false;
    marulo::archive::RecordProblem problem{};
    binding.SetLoaded([&](marulo::archive::RecordProblem result) {
        problem = result;
        done = true;
    });
    clock.start();
    ticker.start();
    binding.Load(archive);
    const qint64 returned = clock.nsecsElapsed();
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    const qint64 refused = clock.nsecsElapsed();
    ticker.stop();
    binding.SetLoaded({});
    std::error_code ignored;
    std::printf(
        "%-22s problem %d  call returned %.3f ms  refused after %.3f ms  "
        "longest loop stall %.3f ms  peak RSS %.1f MiB  files left: %s\n",
        archive.filename().string().c_str(), static_cast<int>(problem), returned / 1e6,
        refused / 1e6, std::max(longestStall, returned) / 1e6, PeakKibibytes() / 1024.0,
        fs::exists("Data.wav", ignored) || fs::exists("Data.hr", ignored) ||
                fs::exists("Data.wav.part", ignored)
            ? "yes"
            : "none");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path folder =
        fs::temp_directory_path() / ("marulo-bomb-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "work");
    fs::current_path(folder / "work");

    std::printf("building the bombs (2 GiB of zeros)...\n");
    const fs::path honest = MakeBomb(folder);
    const fs::path lying = folder / "trace-bomb-lying.zip";
    fs::copy_file(honest, lying);
    ClaimTinySizes(lying);
    const fs::path bombs[] = {honest, lying};
    std::error_code ignored;
    for (const fs::path& bomb : bombs) {
        std::printf("%-22s %.2f MB on disk\n", bomb.filename().string().c_str(),
                    static_cast<double>(fs::file_size(bomb)) / 1e6);
    }
    std::printf("peak RSS before opening: %.1f MiB\n", PeakKibibytes() / 1024.0);

    marulo::views::ReviewView view(nullptr);
    marulo::session::WorkingFilesOwner files;
    marulo::review::ReviewModel model({}, files, marulo::jobs::PostTo(&view));
    marulo::views::ReviewBinding binding(model, view);
    view.resize(510, 250);
    view.show();
    QCoreApplication::processEvents();
    for (const fs::path& bomb : bombs) {
        OpenInView(binding, bomb);
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder, ignored);
    return 0;
}
