// SPDX-License-Identifier: GPL-3.0-or-later
#include <QAccessible>
#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "mainwnd/MonitoringPresenter.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "views/MonitorView.h"

namespace marulo::testing {
namespace {

using namespace controls;
using namespace std::chrono_literals;
using mainwnd::MessageKind;

class MonitoringPresenterTest : public MainWindowTestBase {
protected:
    std::vector<std::string> Records() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder / "Data")) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Holds up the end of a run, as packing a long recording does, until the window's event loop has
// turned a few times; a loop that stands still is waited out by a watchdog and noted.
class CloseUntilTheLoopTurns final : public acquisition::AcquisitionListener {
public:
    static constexpr int kTurns = 5;

    explicit CloseUntilTheLoopTurns(const std::atomic<int>& turns) : m_turns(turns) {}

    void OnCaptureOpen() override {}
    void OnAudioBlock(std::span<const std::uint8_t>) override {}
    void OnHeartRate(std::int32_t) override {}
    void OnCaptureClose() override {
        if (closes++ > 0) {
            return;
        }
        closing = true;
        const int from = m_turns;
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (m_turns < from + kTurns) {
            if (std::chrono::steady_clock::now() > end) {
                loopStood = true;
                return;
            }
            std::this_thread::sleep_for(1ms);
        }
    }

    std::atomic<int> closes{0};
    std::atomic<bool> closing{false};
    std::atomic<bool> loopStood{false};

private:
    const std::atomic<int>& m_turns;
};

// The next run starts while the last one still stores its record: the window goes on turning,
// the button shows the run at once, and the run opens once the record is stored.
TEST_F(MonitoringPresenterTest, AStartWhileTheLastRunClosesNeverHoldsTheWindow) {
    std::atomic<int> turns{0};
    QTimer turning;
    QObject::connect(&turning, &QTimer::timeout, [&turns] { ++turns; });
    turning.start(0);
    CloseUntilTheLoopTurns slowClose(turns);
    m_controller->AddListener(slowClose);
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitForAudio());
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitFor([&] { return slowClose.closing.load(); }));

    Click(kMonitorButtonId);
    EXPECT_TRUE(m_session->IsRunning());
    EXPECT_EQ(m_session->WorkingFiles().Holder(), session::WorkingFilesHolder::ClosingRun);
    EXPECT_FALSE(MonitoringOf(*m_window).IsListeningForLevel());
    ASSERT_TRUE(WaitFor([&] { return m_controller->IsCapturing(); }));
    EXPECT_FALSE(slowClose.loopStood) << "the start held the window until the record was stored";
    ASSERT_TRUE(WaitFor([&] { return Records().size() == 1; }));
    ASSERT_TRUE(WaitForAudio());
    Click(kMonitorButtonId);
    StopAndWait();
    m_controller->RemoveListener(slowClose);
    EXPECT_EQ(Records().size(), 2u);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(MonitoringPresenterTest, MonitoringIsRefusedWhilePlaying) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    PlaybackOf(*m_window).OnPlaybackStarted();
    Click(kMonitorButtonId);
    EXPECT_FALSE(m_controller->IsCapturing());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, MessageKind::Warning);
    EXPECT_EQ(m_messages[0].second, Text("AlertPlaying"));
    PlaybackOf(*m_window).OnPlaybackStopped();
    EXPECT_FALSE(PlaybackOf(*m_window).IsPlaying());
}

TEST_F(MonitoringPresenterTest, MonitoringIsRefusedWhenTheWorkingFilesCannotBeMade) {
    std::filesystem::create_directory(m_folder / "Data.hr");
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    Click(kMonitorButtonId);
    EXPECT_FALSE(m_controller->IsCapturing());
    EXPECT_FALSE(m_controller->AnyThreadRunning());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, MessageKind::Error);
    EXPECT_EQ(m_messages[0].second.split('\n').front(), Text("WorkingFilesFailed"));
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.wav"));
}

// Between runs the chosen input is heard while the window is shown, active, idle and not
// reviewing, so the level shows before start; otherwise the device is let go.
TEST_F(MonitoringPresenterTest, TheInputLevelShowsBeforeStartAndTheDeviceIsLetGoWhenNotWanted) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    const auto levelShown = [&] {
        const auto level = MonitorViewOf(*m_window)->InputLevel();
        return level && level->peak > 0.5;
    };
    ASSERT_TRUE(WaitFor(levelShown)) << "no level before start";

    m_window->showMinimized();
    EXPECT_FALSE(MonitoringOf(*m_window).IsListeningForLevel());
    EXPECT_FALSE(MonitorViewOf(*m_window)->InputLevel());
    m_window->showNormal();
    ASSERT_TRUE(WaitFor(levelShown));

    // A run takes the device and shows its own level; the watch comes back after it.
    Click(kMonitorButtonId);
    EXPECT_FALSE(MonitoringOf(*m_window).IsListeningForLevel());
    ASSERT_TRUE(WaitForAudio());
    EXPECT_TRUE(WaitFor(levelShown));
    Click(kMonitorButtonId);
    StopAndWait();
    ASSERT_TRUE(WaitFor([&] { return RecordListOf(*m_window)->count() == 1; }));
    EXPECT_TRUE(WaitFor(levelShown));

    // Reviewing a record is no time to listen.
    RecordsOf(*m_window).ShowRecord(0);
    EXPECT_FALSE(MonitoringOf(*m_window).IsListeningForLevel());
    EXPECT_FALSE(MonitorViewOf(*m_window)->InputLevel());
}

// The level watch holds one steady stream, not one opened now and then (the desktop's
// microphone-in-use sign would blink), and only while the user has the window in front.
TEST_F(MonitoringPresenterTest, TheLevelWatchHoldsOneSteadyStreamOnlyWhileTheWindowIsActive) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    m_window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->activateWindow();
    ASSERT_TRUE(WaitFor([&] { return MonitoringOf(*m_window).IsListeningForLevel(); }));
    int closedPolls = 0;
    for (int poll = 0; poll < 60; ++poll) {
        Pump();
        closedPolls += MonitoringOf(*m_window).IsListeningForLevel() ? 0 : 1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(closedPolls, 0) << "the stream was closed between checks";

    const auto expectListening = [&](bool listening, const char* when) {
        EXPECT_TRUE(
            WaitFor([&] { return MonitoringOf(*m_window).IsListeningForLevel() == listening; },
                    std::chrono::seconds(5)))
            << when;
        if (!listening) {
            EXPECT_FALSE(MonitorViewOf(*m_window)->InputLevel()) << when;
        }
    };
    QWidget other;
    other.resize(200, 100);
    other.show();
    other.activateWindow();
    expectListening(false, "another window in front");
    m_window->activateWindow();
    expectListening(true, "the window in front again");
    m_window->showMinimized();
    expectListening(false, "minimised");
    m_window->showNormal();
    m_window->activateWindow();
    expectListening(true, "restored");
}

// After a run neither a language switch, which renews every text, nor the next run's start
// shows its number again, to the eye or to a screen reader.
TEST_F(MonitoringPresenterTest, TheLastRunsNumberStaysGoneAfterALanguageSwitch) {
    const std::filesystem::path res = std::filesystem::path(MARULO_SOURCE_DIR) / "res";
    std::filesystem::copy_file(res / "Lang.ini", m_folder / "Lang.ini");
    std::filesystem::copy(res / "lang", m_folder / "lang");
    OpenWindow();
    m_window->show();
    FillProfile("Anna", "2010-05-12");
    views::MonitorView* view = MonitorViewOf(*m_window);
    // What a run shows the moment it starts, without the level that comes and goes.
    const auto runStart = [view] {
        view->SetInputLevel(std::nullopt);
        QImage image(view->size(), QImage::Format_ARGB32);
        QPainter painter(&image);
        view->Paint(painter, true);
        return image;
    };
    const QImage fresh = runStart();
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitFor([view] { return view->CurrentRate() > 0; }));
    ASSERT_NE(runStart(), fresh);
    Click(kMonitorButtonId);
    StopAndWait();
    ASSERT_TRUE(WaitFor([view] { return !view->Capturing(); }));
    m_window->Prompts().SetMenuHook([](QMenu& menu, const QPoint&) -> QAction* {
        const QList<QAction*> items = menu.actions();
        const auto german = std::find_if(items.begin(), items.end(), [](const QAction* item) {
            return item->text() == "Deutsch";
        });
        return german != items.end() ? *german : nullptr;
    });
    StripOf(*m_window).OpenLanguageMenu();
    ASSERT_EQ(app::UiText("Language", "Current", ""), "Deutsch");
    Pump();
    QAccessibleInterface* live = QAccessible::queryAccessibleInterface(view);
    EXPECT_EQ(live->text(QAccessible::Value), view->SpokenLevel()) << "idle, the level only";
    ASSERT_NE(live->valueInterface(), nullptr);
    EXPECT_LE(live->valueInterface()->currentValue().toDouble(), 0.0);
    EXPECT_EQ(runStart(), fresh) << "the last run's line, number or mark is drawn again";
}

}  // namespace
}  // namespace marulo::testing
