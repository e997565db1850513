// SPDX-License-Identifier: GPL-3.0-or-later
#include <QLineEdit>
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

namespace marulo::testing {
namespace {

using namespace controls;
using namespace std::chrono_literals;

class MonitoringPresenterTest : public MainWindowTestBase {
protected:
    void Click(int id) { QTest::mouseClick(m_window->Control(id), Qt::LeftButton); }

    void FillProfile(const QString& name, const QString& edc) {
        m_window->NameBox()->setText(name);
        m_window->SetEdcText(edc);
    }

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
    EXPECT_FALSE(m_window->IsListeningForLevel());
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

}  // namespace
}  // namespace marulo::testing
