// SPDX-License-Identifier: GPL-3.0-or-later
// A mother with many long records: how long the window's event loop stands still while the
// record list fills in each record's start, duration and confirmed share, and how long the
// lengths and the checks take to arrive.
//   record_list_bench [RECORDS [MINUTES]]   (default 40 records of 20 minutes, at most 100)
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureController.h"
#include "bench/UiStallMeter.h"
#include "controls/RecordListDrawing.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/ProfilePanel.h"
#include "mainwnd/RecordsPanel.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInput.h"
#include "platform/SoundInputChoice.h"
#include "platform/Zip.h"
#include "session/MonitoringSession.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

namespace fs = std::filesystem;

// One synthesised record, hard-linked under as many names: the list reads each as its own.
bool WriteRecords(const fs::path& data, int records, int minutes) {
    const marulo::synth::SynthOptions sound{minutes * 60.0, 138, 146, 5};
    const auto audio = marulo::synth::SynthesizeCaptureBytes(sound);
    std::string error;
    if (!marulo::synth::WriteCaptureWav("record.wav", audio, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    {
        const std::vector<std::int32_t> trace = marulo::acquisition::AnalyzeCaptureBytes(audio);
        std::FILE* out = std::fopen("record.hr", "wb");
        if (out == nullptr) {
            return false;
        }
        std::fwrite(trace.data(), sizeof(std::int32_t), trace.size(), out);
        std::fclose(out);
    }
    const fs::path first = data / "Anna_20100512_20100101080000000.zip";
    marulo::platform::ZipWriter zip;
    if (!zip.Create(first) || !zip.AddFile("Data.wav", "record.wav") ||
        !zip.AddFile("Data.hr", "record.hr") || !zip.Close()) {
        return false;
    }
    for (int i = 1; i < records; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "Anna_20100512_2010%.2d%.2d080000000.zip", 1 + i / 28,
                      1 + i % 28);
        fs::create_hard_link(first, data / name);
    }
    return true;
}

bool AllKnown(const QListWidget& list, bool checked) {
    for (int row = 0; row < list.count(); ++row) {
        const auto summary = marulo::controls::SummaryOfItem(*list.item(row));
        if (!summary || (checked && summary->check == marulo::archive::SoundCheck::Pending)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int records = argc > 1 ? std::atoi(argv[1]) : 40;
    // One a day from January on; the names must stay real dates before the EDC.
    const int minutes = argc > 2 ? std::atoi(argv[2]) : 20;
    if (records <= 0 || records > 100 || minutes <= 0) {
        std::fprintf(stderr, "usage: record_list_bench [RECORDS [MINUTES]]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const fs::path folder =
        fs::temp_directory_path() / ("marulo-list-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder / "Data");
    fs::current_path(folder);
    std::printf("synthesising %d records of %d minutes...\n", records, minutes);
    if (!WriteRecords(folder / "Data", records, minutes)) {
        return 1;
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        marulo::platform::SettingsStore store(folder / "profile.ini");
        marulo::platform::SoundInputChoice inputChoice;
        marulo::acquisition::CaptureController controller(
            [&inputChoice] { return inputChoice.CreateInput(); },
            &marulo::platform::AnyCaptureDeviceExists);
        marulo::session::MonitoringSession session(folder, controller);
        marulo::mainwnd::MainWindowOptions options;
        options.profileStore = &store;
        options.quitOnClose = false;
        marulo::mainwnd::MainWindow window(controller, session, inputChoice, options);
        window.show();
        // The window's own first paint is not the list's work.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 1000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        auto& panel = *window.findChild<marulo::mainwnd::RecordsPanel*>();
        marulo::bench::UiStallMeter meter(&window);
        marulo::mainwnd::FindControl<QLineEdit>(window, marulo::controls::kNameBoxId)
            ->setText(QStringLiteral("Anna"));
        window.findChild<marulo::mainwnd::ProfilePanel*>()->SetEdcText(
            QStringLiteral("2010-05-12"));
        QElapsedTimer clock;
        clock.start();
        panel.RefreshRecordList();
        meter.Start();
        const double refreshMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        double lengthsMs = -1;
        double longestPassMs = 0;
        while (!AllKnown(panel.List(), true)) {
            // Turned by hand, with a pause between the passes, so that each pass's own work is
            // what is measured.
            QElapsedTimer pass;
            pass.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            longestPassMs = std::max(longestPassMs, static_cast<double>(pass.nsecsElapsed()) / 1e6);
            QThread::msleep(1);
            if (lengthsMs < 0 && AllKnown(panel.List(), false)) {
                lengthsMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            }
        }
        const double checksMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        meter.Stop();
        std::printf("%d records of %d minutes listed\n", panel.List().count(), minutes);
        std::printf("refilling the list on the window's thread: %8.1f ms\n", refreshMs);
        std::printf("every start and duration shown after:      %8.1f ms\n", lengthsMs);
        std::printf("every confirmed share shown after:         %8.1f ms (%.0f ms a record)\n",
                    checksMs, checksMs / records);
        std::printf("longest stall of the event loop meanwhile: %8.1f ms\n",
                    meter.LongestMilliseconds());
        std::printf("longest single pass of the event loop:     %8.1f ms\n", longestPassMs);
        // The same loop with the list at rest, for comparison on a busy machine.
        meter.Start();
        QElapsedTimer rest;
        rest.start();
        while (rest.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        }
        meter.Stop();
        std::printf("longest stall over 5 s with the list at rest: %7.1f ms\n",
                    meter.LongestMilliseconds());
        result = panel.List().count() == records ? 0 : 1;
        window.close();
    }
    fs::current_path(fs::temp_directory_path());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return result;
}
