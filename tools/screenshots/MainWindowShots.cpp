// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the main window idle, while monitoring and while reviewing a record, and the mother
// list, into PNGs for the documentation, in the language of a given language file (the program's
// Conf.ini otherwise). Monitoring uses the file-backed sound input with a synthetic recording.
// Also the first start with its empty fields, the chart under the keyboard, the report's save
// dialog with its paper speeds, and the box that says where an export was saved.
#include <cstdlib>

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>

#include "acquisition/CaptureController.h"
#include "app/ConfigFiles.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "archive/RecordName.h"
#include "dialogs/MotherListDialog.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/MonitoringPresenter.h"
#include "mainwnd/ProfilePanel.h"
#include "mainwnd/RecordsPanel.h"
#include "mainwnd/WindowScale.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInput.h"
#include "platform/SoundInputChoice.h"
#include "session/MonitoringSession.h"
#include "tools/screenshots/SampleRecord.h"
#include "tools/synth/SyntheticRecording.h"
#include "views/ReviewView.h"

namespace {

namespace fs = std::filesystem;

bool Save(QWidget& widget, const std::string& path) {
    if (path.empty()) {
        return true;
    }
    if (!widget.grab().toImage().save(QString::fromStdString(path))) {
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

// Saves the modal box or dialog that an action opens, then closes it.
bool SaveModal(const std::string& path, const std::function<void()>& open) {
    bool saved = true;
    QTimer::singleShot(300, [&saved, &path] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            std::cerr << "nothing opened for " << path << '\n';
            saved = false;
            return;
        }
        saved = Save(*modal, path);
        modal->close();
    });
    open();
    return saved;
}

constexpr const char* kUsage =
    "usage: marulo-screenshot-main [--fit-screen] [--language FILE.ini] [--idle PNG]\n"
    "                              [--monitoring PNG]\n"
    "                              [--reviewing PNG] [--mother-list PNG] [--calendar PNG]\n"
    "                              [--first-start PNG] [--keyboard PNG] [--save-dialog PNG]\n"
    "                              [--saved PNG]\n";

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> shots;
    // The window fitted to the screen as the program's start fits it, for a small screen.
    const bool fitScreen = argc > 1 && std::string(argv[1]) == "--fit-screen";
    for (int i = fitScreen ? 2 : 1; i < argc; i += 2) {
        const std::string flag = argv[i];
        if (i + 1 >= argc ||
            (flag != "--language" && flag != "--idle" && flag != "--monitoring" &&
             flag != "--reviewing" && flag != "--mother-list" && flag != "--calendar" &&
             flag != "--first-start" && flag != "--keyboard" && flag != "--save-dialog" &&
             flag != "--saved")) {
            std::cerr << kUsage;
            return 2;
        }
        shots[flag.substr(2)] = fs::absolute(argv[i + 1]).string();
    }
    if (shots.size() == shots.count("language")) {
        std::cerr << kUsage;
        return 2;
    }
    std::string folder = (fs::temp_directory_path() / "marulo-main-shots-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        std::cerr << "cannot make a temporary folder\n";
        return 1;
    }
    fs::current_path(folder);
    fs::create_directories("Data");
    // Save dialogs open in the documents folder of a home of the tool's own.
    fs::create_directories("home/anna");
    qputenv("HOME", QByteArray::fromStdString((fs::path(folder) / "home" / "anna").string()));
    qunsetenv("XDG_CONFIG_HOME");
    if (shots.count("language") != 0) {
        // The language is switched as the program does it: its file becomes Conf.ini.
        std::error_code failed;
        fs::copy_file(shots["language"], fs::path(folder) / "Conf.ini", failed);
        if (failed) {
            std::cerr << "cannot copy " << shots["language"] << '\n';
            return 1;
        }
        marulo::app::SetConfigFolderForTesting(marulo::app::FolderLocation{"", folder + "/"});
    }

    const QDate today = QDate::currentDate();
    const QDate edc = today.addDays(75);
    const std::string key = "Anna_" + edc.toString(QStringLiteral("yyyyMMdd")).toStdString() + "_";
    marulo::synth::SynthOptions stored;
    stored.seconds = 420;
    stored.bpmStart = 135;
    stored.bpmEnd = 150;
    const std::string morning =
        "Data/" + key + today.addDays(-3).toString(QStringLiteral("yyyyMMdd")).toStdString() +
        "101530000.zip";
    if (!marulo::screenshots::WriteSampleRecord(morning, stored)) {
        std::cerr << "cannot write the sample record\n";
        return 1;
    }
    // An evening record beside it, and other mothers for the mother list.
    std::error_code ignored;
    fs::copy_file(morning,
                  "Data/" + key +
                      today.addDays(-1).toString(QStringLiteral("yyyyMMdd")).toStdString() +
                      "225309000.zip",
                  ignored);
    for (const char* other :
         {"Bella_20300115_20291002093000000.zip", "Chloe_20291220_20290815141500000.zip"}) {
        fs::copy_file(morning, fs::path("Data") / other, ignored);
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
    marulo::platform::SetSoundInputFile((fs::path(folder) / "input.wav").string());

    const double layoutScale =
        fitScreen ? marulo::mainwnd::FitWindowScaleToScreen(argc, argv) : 1.0;
    QApplication application(argc, argv);
    bool saved = true;
    {
        marulo::platform::SettingsStore store(fs::path(folder) / "profile.ini");
        if (fitScreen) {
            // The longer input caption, a kept input that is not connected, on the small screen.
            store.Write("InputDevice", "usb-listener");
            store.Write("InputDeviceName", "USB Audio");
        }
        marulo::platform::SoundInputChoice inputChoice;
        marulo::acquisition::CaptureController controller(
            [&inputChoice] { return inputChoice.CreateInput(); },
            &marulo::platform::AnyCaptureDeviceExists);
        marulo::session::MonitoringSession session(fs::current_path(), controller);
        marulo::mainwnd::MainWindowOptions options;
        options.profileStore = &store;
        options.quitOnClose = false;
        options.layoutScale = layoutScale;
        marulo::mainwnd::MainWindow window(controller, session, inputChoice, options);
        if (!shots["first-start"].empty()) {
            window.show();
            Wait(200);
            saved = Save(window, shots["first-start"]) && saved;
        }
        marulo::mainwnd::FindControl<QLineEdit>(window, marulo::controls::kNameBoxId)
            ->setText(QStringLiteral("Anna"));
        window.findChild<marulo::mainwnd::ProfilePanel*>()->TakePickedEdc(edc);
        window.findChild<marulo::mainwnd::RecordsPanel*>()->RefreshRecordList();
        window.show();
        Wait(200);
        saved = Save(window, shots["idle"]) && saved;
        if (!shots["calendar"].empty()) {
            window.findChild<marulo::mainwnd::ProfilePanel*>()->OpenCalendar();
            Wait(100);
            saved = Save(window, shots["calendar"]) && saved;
            marulo::mainwnd::FindControl<marulo::mainwnd::EdcCalendar>(
                window, marulo::controls::kEdcCalendarId)
                ->hide();
        }

        if (!shots["monitoring"].empty()) {
            window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
            Wait(9000);
            saved = Save(window, shots["monitoring"]) && saved;
            window.findChild<marulo::mainwnd::MonitoringPresenter*>()->ToggleMonitoring();
            controller.AwaitAllEnded();
            QCoreApplication::processEvents();
        }

        marulo::mainwnd::FindControl<QListWidget>(window, marulo::controls::kRecordListId)
            ->setCurrentRow(0);
        Wait(300);
        // The chart as it stands once the record's sound is checked.
        for (int waited = 0;
             waited < 30000 && !marulo::mainwnd::FindControl<marulo::views::ReviewView>(
                                    window, marulo::controls::kReviewViewId)
                                    ->Check();
             waited += 100) {
            Wait(100);
        }
        saved = Save(window, shots["reviewing"]) && saved;

        if (!shots["keyboard"].empty()) {
            // The review cursor two and a half minutes in, by keys alone.
            marulo::views::ReviewView* chart =
                marulo::mainwnd::FindControl<marulo::views::ReviewView>(
                    window, marulo::controls::kReviewViewId);
            chart->setFocus(Qt::TabFocusReason);
            QTest::keyClick(chart, Qt::Key_Home);
            for (int step = 0; step < 15; ++step) {
                QTest::keyClick(chart, Qt::Key_Right, Qt::ShiftModifier);
            }
            Wait(100);
            saved = Save(window, shots["keyboard"]) && saved;
        }
        if (!shots["save-dialog"].empty()) {
            window.Prompts().SetMenuHook(
                [](QMenu& menu, const QPoint&) { return menu.actions().front(); });
            QListWidget* list =
                marulo::mainwnd::FindControl<QListWidget>(window, marulo::controls::kRecordListId);
            saved =
                SaveModal(shots["save-dialog"],
                          [&] {
                              window.findChild<marulo::mainwnd::RecordsPanel*>()->OpenRecordMenu(
                                  list->visualItemRect(list->item(0)).center());
                          }) &&
                saved;
        }
        if (!shots["saved"].empty()) {
            saved =
                SaveModal(
                    shots["saved"],
                    [&] {
                        window.Prompts().ShowMessageOffering(
                            marulo::mainwnd::MessageKind::Information,
                            QString::fromStdString(marulo::app::MessageText("ExportSaved")) +
                                QStringLiteral("\n/home/anna/Documents/Anna.pdf"),
                            QString::fromStdString(marulo::app::MessageText("MenuShowInFolder")));
                    }) &&
                saved;
        }

        if (!shots["mother-list"].empty()) {
            marulo::dialogs::MotherListDialog dialog(&window, marulo::archive::RecordFolder);
            dialog.MotherList()->setCurrentRow(0);
            dialog.show();
            Wait(100);
            saved = Save(dialog, shots["mother-list"]) && saved;
        }
        window.close();
    }
    marulo::app::SetConfigFolderForTesting(std::nullopt);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return saved ? 0 : 1;
}
