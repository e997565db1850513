// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the main window idle, while monitoring and while reviewing a record into PNGs for the
// documentation. Monitoring uses the file-backed sound input with a synthetic recording.
#include <cstdlib>

#include <QApplication>
#include <QDate>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "acquisition/Analysis.h"
#include "acquisition/CaptureController.h"
#include "mainwnd/MainWindow.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInput.h"
#include "platform/Zip.h"
#include "tools/synth/SyntheticRecording.h"

namespace {

namespace fs = std::filesystem;

bool Save(QWidget& widget, const char* path) {
    if (!widget.grab().toImage().save(QString::fromLocal8Bit(path))) {
        std::cerr << "cannot write " << path << '\n';
        return false;
    }
    return true;
}

void Wait(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// A stored record of the synthetic recording, as a finished monitoring run would leave it.
bool WriteRecord(const fs::path& archive, const marulo::synth::SynthOptions& options) {
    const std::vector<std::uint8_t> audio = marulo::synth::SynthesizeCaptureBytes(options);
    std::string error;
    if (!marulo::synth::WriteCaptureWav("record.wav", audio, error)) {
        std::cerr << error << '\n';
        return false;
    }
    {
        std::ofstream trace("record.hr", std::ios::binary);
        for (const std::int32_t value : marulo::acquisition::AnalyzeCaptureBytes(audio)) {
            const char bytes[4] = {
                static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
            trace.write(bytes, 4);
        }
    }
    marulo::platform::ZipWriter zip;
    return zip.Create(archive) && zip.AddFile("Data.wav", "record.wav") &&
           zip.AddFile("Data.hr", "record.hr") && zip.Close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: marulo-screenshot-main IDLE.png MONITORING.png REVIEWING.png\n";
        return 2;
    }
    const fs::path idleShot = fs::absolute(argv[1]);
    const fs::path monitoringShot = fs::absolute(argv[2]);
    const fs::path reviewingShot = fs::absolute(argv[3]);
    std::string folder = (fs::temp_directory_path() / "marulo-main-shots-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    fs::current_path(folder);
    fs::create_directories("Data");

    const QDate today = QDate::currentDate();
    const QDate edc = today.addDays(75);
    const std::string key = "Anna_" + edc.toString(QStringLiteral("yyyyMMdd")).toStdString() + "_";
    marulo::synth::SynthOptions stored;
    stored.seconds = 420;
    stored.bpmStart = 135;
    stored.bpmEnd = 150;
    if (!WriteRecord("Data/" + key +
                         today.addDays(-3).toString(QStringLiteral("yyyyMMdd")).toStdString() +
                         "101530000.zip",
                     stored)) {
        std::cerr << "cannot write the sample record\n";
        return 1;
    }
    marulo::synth::SynthOptions live;
    live.seconds = 60;
    live.seed = 7;
    std::string error;
    if (!marulo::synth::WriteCaptureWav("input.wav", marulo::synth::SynthesizeCaptureBytes(live),
                                        error)) {
        std::cerr << error << '\n';
        return 1;
    }
    setenv(marulo::platform::kSoundInputFileVariable, (fs::path(folder) / "input.wav").c_str(), 1);

    QApplication application(argc, argv);
    bool saved = true;
    {
        marulo::platform::SettingsStore store(fs::path(folder) / "profile.ini");
        marulo::acquisition::CaptureController controller;
        marulo::mainwnd::MainWindowOptions options;
        options.controller = &controller;
        options.profileStore = &store;
        options.useWorkFolder = false;
        options.quitOnClose = false;
        marulo::mainwnd::MainWindow window(options);
        window.NameBox()->setText(QStringLiteral("Anna"));
        window.TakePickedEdc(edc);
        window.RefreshRecordList();
        window.show();
        Wait(200);
        saved = Save(window, idleShot.c_str()) && saved;

        window.ToggleMonitoring();
        Wait(9000);
        saved = Save(window, monitoringShot.c_str()) && saved;
        window.ToggleMonitoring();
        controller.WaitUntilIdle([] { QCoreApplication::processEvents(); });

        window.RecordList()->setCurrentRow(0);
        Wait(300);
        saved = Save(window, reviewingShot.c_str()) && saved;
        window.close();
    }
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return saved ? 0 : 1;
}
