// SPDX-License-Identifier: GPL-3.0-or-later
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/Zip.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "views/ReviewView.h"

namespace marulo::testing {
namespace {

using namespace controls;
using mainwnd::MessageKind;

class RecordsPanelTest : public MainWindowTestBase {
protected:
    bool PlaybackShown() { return Control(kPlayButtonId)->isVisibleTo(m_window.get()); }

    // A window listing Anna's records.
    QListWidget* OpenAnnasRecords() {
        OpenWindow();
        NameBoxOf(*m_window)->setText("Anna");
        ProfileOf(*m_window).SetEdcText("2010-05-12");
        RecordsOf(*m_window).RefreshRecordList();
        return RecordListOf(*m_window);
    }
};

// What the user is told of a record that cannot be shown in full, and whether it can be heard.
TEST_F(RecordsPanelTest, ARecordMissingPartsIsShownWithItsMessage) {
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> items;
        std::optional<std::pair<MessageKind, const char*>> message;
        bool playable;
    } cases[] = {
        {"whole",
         {{"Data.wav", WavBytes(2.0)}, {"Data.hr", TraceBytes({140, 141})}},
         std::nullopt,
         true},
        {"no audio",
         {{"Data.hr", TraceBytes({140, 141})}},
         std::pair{MessageKind::Warning, "RecordNoAudio"},
         false},
        {"no trace",
         {{"Data.wav", WavBytes(2.0)}},
         std::pair{MessageKind::Warning, "RecordNoTrace"},
         true},
        {"neither", {{"other.txt", "x"}}, std::pair{MessageKind::Error, "RecordUnreadable"}, false},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        std::filesystem::remove_all(m_folder / "Data");
        std::filesystem::create_directories(m_folder / "Data");
        WriteArchive(m_folder / "Data" / "Anna_20100512_20100209080000000.zip", each.items);
        QListWidget* list = OpenAnnasRecords();
        ASSERT_EQ(list->count(), 1);
        m_messages.clear();
        QSignalSpy shown(&RecordsOf(*m_window), &mainwnd::RecordsPanel::shownRecordChanged);
        list->setCurrentRow(0);
        views::ReviewView* chart = ReviewViewOf(*m_window);
        ASSERT_TRUE(WaitFor([chart] { return !chart->IsLoading(); }));
        Pump();
        EXPECT_EQ(shown.count(), 1);
        EXPECT_TRUE(RecordsOf(*m_window).ShowsRecord());
        EXPECT_EQ(PlaybackShown(), each.playable);
        if (each.message) {
            ASSERT_EQ(m_messages.size(), 1u);
            EXPECT_EQ(m_messages[0].first, each.message->first);
            EXPECT_EQ(m_messages[0].second, Text(each.message->second));
        } else {
            EXPECT_TRUE(m_messages.empty());
        }
        CloseWindow();
    }
}

// A double click asks to hear the record from its start, unless a run refuses the record.
TEST_F(RecordsPanelTest, ADoubleClickAsksToPlayOnlyARecordItCouldShow) {
    WriteRecord(m_folder / "Data" / "Anna_20100512_20100209080000000.zip", {140, 141}, 2.0);
    for (const bool running : {false, true}) {
        SCOPED_TRACE(running);
        QListWidget* list = OpenAnnasRecords();
        ASSERT_EQ(list->count(), 1);
        if (running) {
            Click(kMonitorButtonId);
            ASSERT_TRUE(m_controller->IsCapturing());
        }
        QSignalSpy asked(&RecordsOf(*m_window), &mainwnd::RecordsPanel::playFromStartAsked);
        list->item(0)->setSelected(true);
        emit list->itemDoubleClicked(list->item(0));
        EXPECT_EQ(asked.count(), running ? 0 : 1);
        EXPECT_EQ(RecordsOf(*m_window).ShowsRecord(), !running);
        const auto refusals =
            std::count_if(m_messages.begin(), m_messages.end(),
                          [](const auto& m) { return m.second == Text("AlertRecording"); });
        // The pick and the double click are each refused.
        EXPECT_EQ(refusals, running ? 2 : 0);
        if (running) {
            Click(kMonitorButtonId);
            StopAndWait();
        }
        m_messages.clear();
        CloseWindow();
    }
}

class SlowClose final : public acquisition::AcquisitionListener {
public:
    void OnCaptureOpen() override {}
    void OnAudioBlock(std::span<const std::uint8_t>) override {}
    void OnHeartRate(std::int32_t) override {}
    void OnCaptureClose() override { std::this_thread::sleep_for(std::chrono::milliseconds(400)); }
};

TEST_F(RecordsPanelTest, ARecordPickedWhileTheRunIsClosingLeavesTheRunsFilesAlone) {
    const std::string older = "Anna_20100512_20100101000000000.zip";
    WriteCaptureWav(m_folder / "older.wav", std::vector<std::uint8_t>(8000, 128));
    std::ofstream(m_folder / "older.hr", std::ios::binary) << std::string(4, '\0');
    {
        platform::ZipWriter zip;
        ASSERT_TRUE(zip.Create(m_folder / "Data" / older));
        ASSERT_TRUE(zip.AddFile("Data.wav", m_folder / "older.wav"));
        ASSERT_TRUE(zip.AddFile("Data.hr", m_folder / "older.hr"));
        ASSERT_TRUE(zip.Close());
    }
    SlowClose slow;
    m_controller->AddListener(slow);
    QListWidget* list = OpenAnnasRecords();
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitFor([&] {
        std::error_code ignored;
        return std::filesystem::file_size(m_folder / "Data.wav", ignored) >= 44 + 2 * 16000 &&
               !ignored;
    }));
    Click(kMonitorButtonId);
    ASSERT_TRUE(m_controller->AnyThreadRunning());
    list->setCurrentRow(0);
    emit list->itemDoubleClicked(list->item(0));
    Click(kPlayButtonId);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_FALSE(PlaybackOf(*m_window).IsPlaying());
    StopAndWait();
    m_controller->RemoveListener(slow);
    EXPECT_TRUE(m_messages.empty());

    ASSERT_EQ(list->count(), 2);
    const auto wav = StoredAudio(list->item(1)->text().toStdString());
    ASSERT_TRUE(wav);
    EXPECT_GE(wav->samples.size(), 2u * 16000u) << "the run's own audio, not the older record's";
    EXPECT_TRUE(std::filesystem::exists(m_folder / "Data" / older));
}

// A record over an hour scrolls to its end, and every record opens at its start.
TEST_F(RecordsPanelTest, APickedRecordOpensAtItsStartAndScrollsToItsEnd) {
    constexpr std::size_t kLong = 70 * 60;
    constexpr std::size_t kShort = 60;
    WriteRecord(m_folder / "Data" / "Anna_20100512_20100209080000000.zip",
                std::vector<std::int32_t>(kLong, 140), 1.0);
    WriteRecord(m_folder / "Data" / "Anna_20100512_20100209090000000.zip",
                std::vector<std::int32_t>(kShort, 140), 1.0);
    OpenAnnasRecords();
    m_window->show();
    views::ReviewView* chart = ReviewViewOf(*m_window);
    const struct {
        int row;
        std::size_t seconds;
    } picks[] = {{0, kLong}, {1, kShort}, {0, kLong}};
    for (const auto& pick : picks) {
        SCOPED_TRACE(pick.row);
        RecordListOf(*m_window)->setCurrentRow(pick.row);
        ASSERT_TRUE(QTest::qWaitFor([chart] { return !chart->IsLoading(); }, 10000));
        ASSERT_EQ(chart->Trace().size(), pick.seconds);
        EXPECT_EQ(chart->OffsetX(), 0);
        chart->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        EXPECT_GE(static_cast<std::size_t>(chart->OffsetX() + chart->viewport()->width()),
                  pick.seconds);
    }
}

}  // namespace
}  // namespace marulo::testing
