// SPDX-License-Identifier: GPL-3.0-or-later
// The longest time the window's event loop stands still while an eight-hour record is exported
// as a PDF report, a CSV and its audio: once written on the window's thread (as the menu did
// before), once through the export runner. The record's sound is made by the synthesiser.
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "acquisition/CaptureFormat.h"
#include "bench/UiStallMeter.h"
#include "mainwnd/ExportRunner.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"
#include "report/ExportFiles.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

namespace fs = std::filesystem;
using marulo::mainwnd::ExportRunner;

struct Figures {
    double stallMs = 0;
    double totalMs = 0;
    bool written = false;
};

// Measures from now until done is called, with the event loop turning meanwhile.
Figures Measure(QObject& context, const std::function<void(std::function<void(bool)>)>& start) {
    marulo::bench::UiStallMeter meter(&context);
    QElapsedTimer clock;
    bool done = false;
    Figures figures;
    meter.Start();
    clock.start();
    start([&](bool written) {
        figures.written = written;
        done = true;
    });
    while (!done) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    meter.Stop();
    figures.totalMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    figures.stallMs = meter.LongestMilliseconds();
    return figures;
}

// Eight hours: one synthesised hour heard eight times over, with the rate it beats at as its
// trace (the analysis of eight hours would take longer than the exports measured here).
bool WriteNightRecord(const fs::path& archive) {
    const marulo::synth::SynthOptions hour{3600, 138, 146, 7};
    const std::vector<std::uint8_t> audio = marulo::synth::SynthesizeCaptureBytes(hour);
    constexpr int kHours = 8;
    {
        const auto header =
            marulo::recordformat::WavHeader(marulo::acquisition::CaptureFormat(),
                                            static_cast<std::uint32_t>(audio.size() * kHours));
        std::ofstream wav("record.wav", std::ios::binary);
        wav.write(reinterpret_cast<const char*>(header.data()),
                  static_cast<std::streamsize>(header.size()));
        for (int h = 0; h < kHours; ++h) {
            wav.write(reinterpret_cast<const char*>(audio.data()),
                      static_cast<std::streamsize>(audio.size()));
        }
        std::ofstream trace("record.hr", std::ios::binary);
        for (int s = 0; s < 3600 * kHours; ++s) {
            const auto value = static_cast<std::uint32_t>(
                std::lround(marulo::synth::RateAt(hour, static_cast<double>(s % 3600))));
            const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                                   static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
            trace.write(bytes, 4);
        }
    }
    marulo::platform::ZipWriter zip;
    return zip.Create(archive) && zip.AddFile("Data.wav", "record.wav") &&
           zip.AddFile("Data.hr", "record.hr") && zip.Close();
}

void Print(const char* what, const char* how, const Figures& figures) {
    std::printf("%-5s %-22s longest stall %8.1f ms   export %8.1f ms   %s\n", what, how,
                figures.stallMs, figures.totalMs, figures.written ? "written" : "FAILED");
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const fs::path folder =
        fs::temp_directory_path() / ("marulo-export-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::current_path(folder);
    const fs::path archive = folder / "Anna_20100512_20100209153045123.zip";
    std::printf("synthesising an eight-hour record...\n");
    if (!WriteNightRecord(archive)) {
        return 1;
    }
    std::string error;
    const marulo::report::ReportTexts texts =
        marulo::report::LoadReportTexts([](std::string_view key) { return std::string(key); }, "");
    const auto record = marulo::report::ReadRecordReport(archive, texts.recordWords, error);
    if (!record) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    QWidget window;
    window.resize(200, 100);
    window.show();
    ExportRunner runner(window);
    const marulo::report::ReportOptions options;

    struct Kind {
        const char* name;
        // The old way: everything on the window's thread.
        std::function<bool(const fs::path&)> inline_;
        std::function<ExportRunner::Work(const fs::path&)> job;
    };
    const Kind kinds[] = {
        {"PDF",
         [&](const fs::path& target) {
             std::string why;
             return marulo::report::WritePdfReport(target, record->facts, record->trace, texts,
                                                   options, why,
                                                   marulo::report::CheckRecordAudio(*record));
         },
         [&](const fs::path& target) {
             return marulo::mainwnd::PdfExport(*record, {}, texts, options, target);
         }},
        {"CSV",
         [&](const fs::path& target) {
             std::string why;
             return marulo::report::WriteCsvReport(*record, target,
                                                   marulo::report::CheckRecordAudio(*record), why);
         },
         [&](const fs::path& target) { return marulo::mainwnd::CsvExport(*record, {}, target); }},
        {"WAV",
         [&](const fs::path& target) {
             std::string why;
             return marulo::report::SaveArchivedAudio(archive, target, why);
         },
         [&](const fs::path& target) { return marulo::mainwnd::WavExport(archive, target); }},
    };
    std::printf("eight-hour record (28800 s): the event loop's longest stall while exporting\n");
    for (const Kind& kind : kinds) {
        const fs::path target = folder / (std::string("out.") + kind.name);
        Print(kind.name, "on the window's thread", Measure(window, [&](auto done) {
                  QTimer::singleShot(0, &window, [&, done] { done(kind.inline_(target)); });
              }));
        Print(kind.name, "as a job", Measure(window, [&](auto done) {
                  runner.Start(kind.job(target), [done](const ExportRunner::Outcome& outcome) {
                      done(outcome.written);
                  });
              }));
    }
    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return 0;
}
