// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "acquisition/CaptureController.h"
#include "acquisition/CaptureFormat.h"
#include "app/ConfigFiles.h"
#include "app/Fonts.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "mainwnd/BottomStrip.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/MonitoringPresenter.h"
#include "mainwnd/PlaybackBar.h"
#include "mainwnd/ProfilePanel.h"
#include "mainwnd/RecordsPanel.h"
#include "platform/SettingsStore.h"
#include "platform/SoundInputChoice.h"
#include "platform/Zip.h"
#include "recordformat/WavFileWriter.h"
#include "recordformat/WavReader.h"
#include "session/MonitoringSession.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"
#include "views/MonitorView.h"
#include "views/ReviewView.h"

namespace marulo::testing {

// The window's parts, found as a user finds them: by their control ids.
template <typename Control = QWidget>
Control* ControlOf(const QWidget& window, int id) {
    return mainwnd::FindControl<Control>(window, id);
}
inline QLineEdit* NameBoxOf(const QWidget& window) {
    return ControlOf<QLineEdit>(window, controls::kNameBoxId);
}
inline mainwnd::EdcCalendar* CalendarOf(const QWidget& window) {
    return ControlOf<mainwnd::EdcCalendar>(window, controls::kEdcCalendarId);
}
inline QListWidget* RecordListOf(const QWidget& window) {
    return ControlOf<QListWidget>(window, controls::kRecordListId);
}
inline views::MonitorView* MonitorViewOf(const QWidget& window) {
    return ControlOf<views::MonitorView>(window, controls::kMonitorViewId);
}
inline views::ReviewView* ReviewViewOf(const QWidget& window) {
    return ControlOf<views::ReviewView>(window, controls::kReviewViewId);
}
inline mainwnd::ProfilePanel& ProfileOf(const QWidget& window) {
    return *window.findChild<mainwnd::ProfilePanel*>(QString(), Qt::FindDirectChildrenOnly);
}
inline mainwnd::BottomStrip& StripOf(const QWidget& window) {
    return *window.findChild<mainwnd::BottomStrip*>(QString(), Qt::FindDirectChildrenOnly);
}
inline mainwnd::RecordsPanel& RecordsOf(const QWidget& window) {
    return *window.findChild<mainwnd::RecordsPanel*>(QString(), Qt::FindDirectChildrenOnly);
}
inline mainwnd::PlaybackBar& PlaybackOf(const QWidget& window) {
    return *window.findChild<mainwnd::PlaybackBar*>(QString(), Qt::FindDirectChildrenOnly);
}
inline mainwnd::MonitoringPresenter& MonitoringOf(const QWidget& window) {
    return *window.findChild<mainwnd::MonitoringPresenter*>(QString(), Qt::FindDirectChildrenOnly);
}

inline void Pump() {
    QCoreApplication::processEvents();
}

// Waits for the condition with the window's events turning.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::seconds limit = std::chrono::seconds(20)) {
    return WaitUntil(condition, Pump, limit);
}

// A PCM WAV in the capture format (2 channels, 8000 Hz, unsigned 8-bit) holding the bytes.
inline void WriteCaptureWav(const std::filesystem::path& path,
                            const std::vector<std::uint8_t>& data) {
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(),
                                                static_cast<std::uint32_t>(data.size()));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// Audio with a pulse every 0.4 s (150 beats per minute) over a steady tone.
inline std::vector<std::uint8_t> PulsingAudio(int seconds) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(seconds) * 16000);
    for (std::size_t frame = 0; frame < bytes.size() / 2; ++frame) {
        const bool beat = frame % 3200 < 400;
        const int level = 128 + ((frame % 8 < 4) ? 1 : -1) * (beat ? 100 : 10);
        bytes[2 * frame] = static_cast<std::uint8_t>(level);
        bytes[2 * frame + 1] = static_cast<std::uint8_t>(level);
    }
    return bytes;
}

// A main window in a folder of its own: Conf.ini from the sources, an empty Data folder, a
// profile store file, its own capture controller, boxes and menus answered by the test.
class MainWindowTestBase : public ::testing::Test {
protected:
    QWidget* Control(int id) const { return ControlOf(*m_window, id); }
    void Click(int id) const { QTest::mouseClick(Control(id), Qt::LeftButton); }
    void FillProfile(const QString& name, const QString& edc) const {
        NameBoxOf(*m_window)->setText(name);
        ProfileOf(*m_window).SetEdcText(edc);
    }

    void SetUp() override {
        std::filesystem::create_directories(m_folder / "Data");
        std::filesystem::copy_file(std::filesystem::path(MARULO_SOURCE_DIR) / "res" / "Conf.ini",
                                   m_folder / "Conf.ini");
        app::SetConfigFolderForTesting(app::FolderLocation{"", m_folder.Path().string() + "/"});
        app::ResetUiFonts();
        WriteCaptureWav(m_folder / "input.wav", PulsingAudio(30));
        platform::SetSoundInputFile((m_folder / "input.wav").string());
        m_store = std::make_unique<platform::SettingsStore>(m_folder / "profile.ini");
        m_controller = std::make_unique<acquisition::CaptureController>(
            [this] { return m_inputChoice.CreateInput(); }, &platform::AnyCaptureDeviceExists);
    }

    void TearDown() override {
        CloseWindow();
        EXPECT_TRUE(std::filesystem::is_empty(m_elsewhere.Path()))
            << "the window wrote into the current folder";
        m_controller.reset();
        m_store.reset();
        platform::SetSoundInputFile(std::nullopt);
        app::SetConfigFolderForTesting(std::nullopt);
    }

    // The window works in the test's folder (or the one given), never in the current one.
    mainwnd::MainWindow& OpenWindow(const std::filesystem::path& workFolder = {},
                                    double layoutScale = 1.0) {
        // A window open before goes first, with its session.
        CloseWindow();
        mainwnd::MainWindowOptions options;
        options.layoutScale = layoutScale;
        options.profileStore = m_store.get();
        options.quitOnClose = false;
        m_session = std::make_unique<session::MonitoringSession>(
            workFolder.empty() ? m_folder.Path() : workFolder, *m_controller);
        m_window = std::make_unique<mainwnd::MainWindow>(*m_controller, *m_session, m_inputChoice,
                                                         options);
        m_window->Prompts().SetMessageHook([this](mainwnd::MessageKind kind, const QString& text) {
            m_messages.emplace_back(kind, text);
        });
        return *m_window;
    }

    void CloseWindow() {
        if (m_window) {
            m_window->close();
            m_window.reset();
        }
        m_session.reset();
    }

    // Waits until the run has recorded at least one block of audio, the least a record holds.
    bool WaitForAudio() const {
        return WaitFor([&] {
            std::error_code ignored;
            return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 1600 &&
                   !ignored;
        });
    }

    // Stops a running capture and waits until its record has been stored.
    void StopAndWait() {
        if (m_controller->IsCapturing()) {
            m_controller->StopCapture();
        }
        m_controller->AwaitAllEnded();
        Pump();
    }

    static QString Text(const char* key) { return QString::fromStdString(app::MessageText(key)); }

    std::vector<std::string> DataFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder / "Data")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // The audio a stored record in Data holds, or nothing (and a failure) when it cannot be read.
    std::optional<recordformat::WavData> StoredAudio(const std::string& record) const {
        platform::ZipReader zip;
        const std::filesystem::path unpacked = m_folder / "check.wav";
        if (!zip.Open(m_folder / "Data" / record) || !zip.ExtractItemToFile(0, unpacked)) {
            ADD_FAILURE() << record << " holds no audio";
            return std::nullopt;
        }
        std::string error;
        auto wav = recordformat::ReadWavFile(unpacked, error);
        if (!wav) {
            ADD_FAILURE() << record << ": " << error;
        }
        return wav;
    }

    TempFolder m_folder{"window"};
    // Nothing may land in the current folder: every path is the work folder's.
    TempFolder m_elsewhere{"window-current", TempFolder::Current::Enter};
    std::unique_ptr<platform::SettingsStore> m_store;
    platform::SoundInputChoice m_inputChoice;
    std::unique_ptr<acquisition::CaptureController> m_controller;
    std::unique_ptr<session::MonitoringSession> m_session;
    std::unique_ptr<mainwnd::MainWindow> m_window;
    std::vector<std::pair<mainwnd::MessageKind, QString>> m_messages;
};

}  // namespace marulo::testing
