// SPDX-License-Identifier: GPL-3.0-or-later
#include <stdlib.h>

#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/Analysis.h"
#include "controls/RecordListDrawing.h"
#include "platform/Zip.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "tools/synth/SyntheticRecording.h"
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

// Heard as a listener hears it: the baby at 145 bpm, with the probe lifted off the belly for the
// given stretches; the trace is what the detector shows for it.
void WriteHeardRecord(const std::filesystem::path& archive, double seconds,
                      std::vector<synth::Stretch> lifted) {
    synth::ListeningOptions listening;
    for (const synth::Stretch& stretch : lifted) {
        listening.lifts.push_back({stretch, synth::LiftedSound::Silence});
    }
    const auto audio = synth::SynthesizeCaptureBytes({seconds, 145, 145, 3}, listening);
    const auto header = recordformat::WavHeader(acquisition::CaptureFormat(),
                                                static_cast<std::uint32_t>(audio.size()));
    WriteArchive(archive, {{"Data.wav", std::string(header.begin(), header.end()) +
                                            std::string(audio.begin(), audio.end())},
                           {"Data.hr", TraceBytes(acquisition::AnalyzeCaptureBytes(audio))}});
}

// What an item says, in each language: when the recording began (not when it was stored), on
// the language's clock, how long it lasted, and how much of it was confirmed.
TEST_F(RecordsPanelTest, AnItemSaysWhenHowLongAndHowGoodInEachLanguage) {
    archive::RecordSummary good{754, true, archive::SoundCheck::Checked, 656};
    archive::RecordSummary silent{45, false, archive::SoundCheck::Checked, 0};
    archive::RecordSummary pending{3907, true, archive::SoundCheck::Pending, 0};
    archive::RecordSummary noAudio{45, false, archive::SoundCheck::Unavailable, 0};
    archive::RecordSummary noAudioLong{1200, false, archive::SoundCheck::Unavailable, 0};
    archive::RecordSummary almostAll{3599, true, archive::SoundCheck::Checked, 3598};
    const std::string stored = "Anna_20100512_20100209153045123.zip";
    // Stored ten minutes after midnight, begun the evening before.
    const std::string afterMidnight = "Anna_20100512_20100301001000000.zip";
    const struct {
        const char* language;
        const char* locale;
        std::string file;
        std::optional<archive::RecordSummary> summary;
        QString when;
        QString detail;
        QString mark;
        bool silent;
        QStringList spoken;
    } cases[] = {
        {"German.ini",
         "de_DE",
         stored,
         good,
         "09.02.10 15:18",
         "26 Wo. 6 T.  12:34",
         "87 % bestätigt",
         false,
         {"15:18", "Dauer 12:34", "87 Prozent bestätigt", "26 Wochen 6 Tage"}},
        {"German.ini",
         "de_DE",
         stored,
         silent,
         "09.02.10 15:30",
         "26 Wo. 6 T.  0:45",
         "Kein Herzschlag",
         true,
         {"15:30", "Dauer 0:45", "kein Herzschlag zu hören"}},
        {"German.ini",
         "de_DE",
         afterMidnight,
         pending,
         "28.02.10 23:04",
         "29 Wo. 5 T.  1:05:07",
         "",
         false,
         {"23:04", "Dauer 1:05:07"}},
        {"Chinese.ini",
         "zh_CN",
         stored,
         good,
         "2010/2/9 15:18",
         "26周 6天  12:34",
         "已确认 87%",
         false,
         {"15:18", "时长 12:34", "已确认百分之 87"}},
        {"Chinese.ini",
         "zh_CN",
         stored,
         noAudio,
         "2010/2/9 15:30",
         "26周 6天  0:45",
         "未听到心跳",
         true,
         {"15:30", "时长 0:45", "未听到心跳"}},
        {"English.ini",
         "en_US",
         stored,
         good,
         "2/9/10 3:18 PM",
         "26wk 6d  12:34",
         "87% confirmed",
         false,
         {"duration 12:34", "87 percent confirmed", "26 weeks 6 days"}},
        {"English.ini",
         "en_US",
         afterMidnight,
         noAudioLong,
         "2/28/10 11:50 PM",
         "29wk 5d  20:00",
         "No heartbeat heard",
         true,
         {"11:50 PM", "duration 20:00", "no heartbeat heard"}},
        // Just under an hour, and all but one second confirmed: never rounded up.
        {"English.ini",
         "en_US",
         stored,
         almostAll,
         "2/9/10 2:30 PM",
         "26wk 6d  59:59",
         "99% confirmed",
         false,
         {"2:30 PM", "duration 59:59", "99 percent confirmed"}},
        // Nothing known yet: the date alone, never the storing time.
        {"English.ini", "en_US", stored, std::nullopt, "2/9/10", "26wk 6d", "", false, {}},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.language + std::string(" ") + each.file);
        std::filesystem::copy_file(
            std::filesystem::path(MARULO_SOURCE_DIR) / "res" / "lang" / each.language,
            m_folder / "Conf.ini", std::filesystem::copy_options::overwrite_existing);
        const controls::RecordItemView view = controls::RecordItemViewOf(
            archive::ReadRecordIdentity(each.file), each.summary, QLocale(each.locale));
        EXPECT_EQ(view.whenLine, each.when);
        EXPECT_EQ(view.detailLine, each.detail);
        EXPECT_EQ(view.markText, each.mark);
        EXPECT_EQ(view.silent, each.silent);
        for (const QString& piece : each.spoken) {
            EXPECT_TRUE(view.spoken.contains(piece))
                << view.spoken.toStdString() << " lacks " << piece.toStdString();
        }
    }
}

// A list of three records fills in, off the window's thread, how long each lasted and how much
// of it was confirmed; the one where nothing was heard says so, to the screen reader too.
TEST_F(RecordsPanelTest, TheListLearnsEachRecordsLengthAndShareWithoutBlocking) {
    WriteHeardRecord(m_folder / "Data" / "Anna_20100512_20100209080000000.zip", 30, {});
    WriteHeardRecord(m_folder / "Data" / "Anna_20100512_20100209090000000.zip", 30, {{15, 15}});
    WriteRecord(m_folder / "Data" / "Anna_20100512_20100209100000000.zip",
                std::vector<std::int32_t>(20, 0), 20.0);
    QListWidget* list = OpenAnnasRecords();
    ASSERT_EQ(list->count(), 3);
    ASSERT_TRUE(WaitFor([list] {
        for (int row = 0; row < list->count(); ++row) {
            const auto summary = controls::SummaryOfItem(*list->item(row));
            if (!summary || summary->check == archive::SoundCheck::Pending) {
                return false;
            }
        }
        return true;
    }));
    struct Expected {
        const char* start;
        const char* duration;
        int lowestPercent;
        int highestPercent;
        bool silent;
    } const expected[] = {
        {"7:59", "0:30", 80, 100, false},
        {"8:59", "0:30", 30, 70, false},
        {"9:59", "0:20", 0, 0, true},
    };
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        const QListWidgetItem& item = *list->item(row);
        const controls::RecordItemView view = controls::RecordItemViewOf(
            controls::RecordOfItem(item), controls::SummaryOfItem(item), controls::UiLocale());
        const QString spoken = item.data(Qt::AccessibleTextRole).toString();
        EXPECT_TRUE(spoken.contains(expected[row].start)) << spoken.toStdString();
        EXPECT_TRUE(spoken.contains(QStringLiteral("duration ") + expected[row].duration))
            << spoken.toStdString();
        EXPECT_EQ(view.silent, expected[row].silent);
        ASSERT_TRUE(view.percent);
        EXPECT_GE(*view.percent, expected[row].lowestPercent);
        EXPECT_LE(*view.percent, expected[row].highestPercent);
        EXPECT_EQ(spoken.contains(QStringLiteral("no heartbeat heard")), expected[row].silent)
            << spoken.toStdString();
    }
    // The record's name on disk stays as it was.
    EXPECT_EQ(DataFiles().size(), 3u);
    EXPECT_TRUE(std::filesystem::exists(m_folder / "Data" / "Anna_20100512_20100209090000000.zip"));
}

// A private desktop trash, so that deleting never touches the user's.
class RecordDeleteTest : public RecordsPanelTest {
protected:
    void SetUp() override {
        RecordsPanelTest::SetUp();
        ::setenv("XDG_DATA_HOME", m_home.Path().c_str(), 1);
    }
    void TearDown() override {
        RecordsPanelTest::TearDown();
        ::unsetenv("XDG_DATA_HOME");
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(RecordListOf(*m_window), static_cast<Qt::Key>(key), modifiers);
        Pump();
    }
    bool UndoShown() { return Control(kUndoDeleteButtonId)->isVisibleTo(m_window.get()); }
    std::vector<QString> Said() {
        std::vector<QString> said;
        for (const auto& message : m_messages) {
            said.push_back(message.second);
        }
        m_messages.clear();
        return said;
    }

    TempFolder m_home{"window-trash"};
    const std::string m_realHome = ::getenv("HOME") != nullptr ? ::getenv("HOME") : "/";
};

// Deleting moves the record into the trash and undo brings it back, by the key, the button and
// the menu; while the record plays, or when it cannot be done safely, nothing moves.
TEST_F(RecordDeleteTest, DeleteMovesToTheTrashAndUndoBringsItBack) {
    const std::string first = "Anna_20100512_20100209080000000.zip";
    const std::string second = "Anna_20100512_20100209090000000.zip";
    const std::filesystem::path firstPath = m_folder / "Data" / first;
    WriteRecord(firstPath, {140, 141}, 2.0);
    WriteRecord(m_folder / "Data" / second, {140, 141}, 2.0);
    QListWidget* list = OpenAnnasRecords();
    m_window->show();
    ASSERT_EQ(list->count(), 2);
    list->setFocus();
    list->setCurrentRow(0);
    ASSERT_TRUE(WaitFor([this] { return !ReviewViewOf(*m_window)->IsLoading(); }));
    const std::filesystem::path trashFiles = m_home / "Trash" / "files";
    const struct {
        const char* step;
        std::function<void()> act;
        std::vector<QString> said;
        int listed;
        bool firstThere;
        bool undoShown;
    } steps[] = {
        {"refused while it plays",
         [&] {
             PlaybackOf(*m_window).OnPlaybackStarted();
             Key(Qt::Key_Delete);
         },
         {Text("DeleteWhilePlaying")},
         2,
         true,
         false},
        {"the Delete key closes the review and moves it",
         [&] {
             PlaybackOf(*m_window).OnPlaybackStopped();
             Key(Qt::Key_Delete);
             EXPECT_FALSE(RecordsOf(*m_window).ShowsRecord());
             EXPECT_TRUE(std::filesystem::exists(trashFiles / first));
         },
         {},
         1,
         false,
         true},
        {"Ctrl+Z brings it back", [&] { Key(Qt::Key_Z, Qt::ControlModifier); }, {}, 2, true, false},
        {"the button moves the current one",
         [&] {
             list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
             Click(kDeleteRecordButtonId);
         },
         {},
         1,
         false,
         true},
        {"the undo button brings it back", [&] { Click(kUndoDeleteButtonId); }, {}, 2, true, false},
        {"the menu moves the one clicked",
         [&] {
             m_window->Prompts().SetMenuHook(
                 [](QMenu& menu, const QPoint&) { return menu.actions().last(); });
             RecordsOf(*m_window).OpenRecordMenu(list->visualItemRect(list->item(0)).center());
         },
         {},
         1,
         false,
         true},
        {"a file that took its name keeps it",
         [&] {
             WriteBytes(firstPath, "newer");
             Key(Qt::Key_Z, Qt::ControlModifier);
             EXPECT_EQ(ReadBytes(firstPath), "newer");
             EXPECT_TRUE(std::filesystem::exists(trashFiles / first));
             std::filesystem::remove(firstPath);
         },
         {Text("TrashRestoreTaken")},
         1,
         false,
         false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.step);
        step.act();
        EXPECT_EQ(Said(), step.said);
        EXPECT_EQ(list->count(), step.listed);
        EXPECT_EQ(std::filesystem::exists(firstPath), step.firstThere);
        EXPECT_EQ(UndoShown(), step.undoShown);
    }
    // The other record never moved.
    EXPECT_TRUE(std::filesystem::exists(m_folder / "Data" / second));
}

}  // namespace
}  // namespace marulo::testing
