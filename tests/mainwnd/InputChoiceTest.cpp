// SPDX-License-Identifier: GPL-3.0-or-later
// Two sound cards on the private sound service, the listener plugged into the second: the user
// picks it from the input menu, monitoring hears it, the choice outlives the window, and once the
// card is unplugged the default stands in and the caption says so.
#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "controls/WindowLayout.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/support/PulseTestMain.h"
#include "views/MonitorView.h"

namespace marulo::testing {
namespace {

constexpr const char* kListener = "USB-Listener";

class InputChoiceTest : public MainWindowTestBase {
protected:
    // The whole caption, as a screen reader hears it; the panel may shorten a long one.
    QString Caption() const { return InputButton()->accessibleName(); }
    QAbstractButton* InputButton() const {
        return static_cast<QAbstractButton*>(ControlOf(*m_window, controls::kInputButtonId));
    }
    // Answers the next menu with the item of that text.
    void PickFromMenu(const QString& text) {
        m_window->Prompts().SetMenuHook([text](QMenu& menu, const QPoint&) -> QAction* {
            const QList<QAction*> items = menu.actions();
            const auto found = std::find_if(items.begin(), items.end(), [&](const QAction* item) {
                return item->text() == text;
            });
            return found == items.end() ? nullptr : *found;
        });
    }
    static QString DefaultName() {
        return QString::fromStdString(platform::DefaultSoundInputDevice().value().description);
    }
};

TEST_F(InputChoiceTest, TheChosenInputIsHeardKeptAndStoodInForWhenUnplugged) {
    PrivatePulseAudio* const pulse = SharedPulseAudio();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    platform::SetSoundInputFile(std::nullopt);
    ASSERT_TRUE(pulse->AddPipeSource("listener", kListener));
    OpenWindow();
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    const auto listed = [] {
        const auto devices = platform::SoundInputDevices();
        return std::any_of(devices.begin(), devices.end(),
                           [](const auto& device) { return device.description == kListener; });
    };
    ASSERT_TRUE(WaitFor(listed));
    EXPECT_EQ(Caption(), Text("InputCaption").arg(DefaultName()));

    PickFromMenu(kListener);
    QTest::mouseClick(InputButton(), Qt::LeftButton);
    EXPECT_EQ(Caption(), Text("InputCaption").arg(kListener));
    EXPECT_EQ(m_store->Read("InputDevice"), std::optional<std::string>("listener"));
    EXPECT_TRUE(m_messages.empty());

    // Only the listener's card hears a heartbeat.
    pulse->FeedPaced(PulsingAudio(30), 1, "listener");
    QTest::mouseClick(ControlOf(*m_window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return MonitorViewOf(*m_window)->CurrentRate() > 0; }));
    QTest::mouseClick(InputButton(), Qt::LeftButton);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("InputWhileMonitoring"));
    QTest::mouseClick(ControlOf(*m_window, controls::kMonitorButtonId), Qt::LeftButton);
    StopAndWait();
    pulse->StopFeeding();
    EXPECT_EQ(DataFiles().size(), 1u);

    // A device that cannot be opened is not taken; the choice before stays.
    CloseWindow();
    m_messages.clear();
    OpenWindow();
    EXPECT_EQ(Caption(), Text("InputCaption").arg(kListener));
    platform::SetSoundInputFile((m_folder / "missing.wav").string());
    PickFromMenu(DefaultName());
    QTest::mouseClick(InputButton(), Qt::LeftButton);
    platform::SetSoundInputFile(std::nullopt);
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second.split('\n').front(), Text("InputNotChosen"));
    EXPECT_EQ(Caption(), Text("InputCaption").arg(kListener));

    ASSERT_TRUE(pulse->RemovePipeSource("listener"));
    EXPECT_TRUE(WaitFor([&] {
        return Caption() == Text("InputMissingCaption").arg(DefaultName(), kListener);
    })) << Caption().toStdString();
}

// The card a run started on is unplugged while the other card still hears a heartbeat: the sound
// server moves the stream there, but the run ends as a lost input with the first card's audio
// alone, and says so.
TEST_F(InputChoiceTest, ARunEndsWhenItsInputIsUnpluggedInsteadOfHearingAnother) {
    PrivatePulseAudio* const pulse = SharedPulseAudio();
    if (pulse == nullptr) {
        GTEST_SKIP() << WhyNoPulseAudio();
    }
    platform::SetSoundInputFile(std::nullopt);
    ASSERT_TRUE(pulse->AddPipeSource("card", "Card"));
    OpenWindow();
    NameBoxOf(*m_window)->setText("Anna");
    ProfileOf(*m_window).SetEdcText("2010-05-12");
    ASSERT_TRUE(WaitFor([&] { return Caption().contains(DefaultName()); }));
    const auto listed = [] {
        const auto devices = platform::SoundInputDevices();
        return std::any_of(devices.begin(), devices.end(),
                           [](const auto& device) { return device.description == "Card"; });
    };
    ASSERT_TRUE(WaitFor(listed));
    PickFromMenu("Card");
    QTest::mouseClick(InputButton(), Qt::LeftButton);
    ASSERT_EQ(Caption(), Text("InputCaption").arg("Card"));

    pulse->FeedPaced(PulsingAudio(30), 1, "card");
    QTest::mouseClick(ControlOf(*m_window, controls::kMonitorButtonId), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 2 * 16000 &&
               !ignored;
    }));
    // From now on only the other card delivers.
    pulse->FeedPaced(PulsingAudio(30), 1, "in");
    std::error_code ignored;
    const auto heard = std::filesystem::file_size(m_folder / "Data.wav", ignored);
    ASSERT_TRUE(pulse->RemovePipeSource("card"));
    ASSERT_TRUE(WaitFor([&] { return !m_controller->IsCapturing(); }, std::chrono::seconds(5)))
        << "the run went on with another card";
    ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
    StopAndWait();
    pulse->StopFeeding();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("SoundInputLost"));
    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    const auto wav = StoredAudio(files[0]);
    ASSERT_TRUE(wav);
    // What came after the unplug is at most the moment the sound server took to say so.
    EXPECT_LE(wav->samples.size(), heard - 44 + 16000 / 2);
}

}  // namespace
}  // namespace marulo::testing
