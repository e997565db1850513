// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "controls/SkinnedButton.h"
#include "mainwnd/Volume.h"
#include "platform/OutputVolume.h"
#include "platform/Zip.h"
#include "recordformat/WavReader.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SmallDisk.h"
#include "views/MonitorView.h"
#include "views/ReviewView.h"

namespace marulo::testing {
namespace {

using namespace controls;
using mainwnd::MessageKind;

class MainWindowTest : public MainWindowTestBase {
protected:
    std::vector<int> ControlIdsInOrder() {
        std::vector<int> ids;
        for (QObject* child : m_window->children()) {
            if (const QVariant id = child->property("controlId"); id.isValid()) {
                ids.push_back(id.toInt());
            }
        }
        return ids;
    }
};

TEST_F(MainWindowTest, ControlsSitAtTheirRectanglesInCreationOrder) {
    OpenWindow();
    // In stacking order, panel by panel; the two caption buttons are fitted to their captions
    // below.
    struct Expected {
        int id;
        bool visible;
    };
    const Expected table[] = {
        {kMonitorButtonId, true},
        {kRecordingStateId, true},
        {kMarkButtonId, true},
        {kMotherListButtonId, true},
        {kNameBoxId, true},
        {kWeekButtonId, true},
        {kDayButtonId, true},
        {kEdcDisplayId, true},
        {kCalendarButtonId, true},
        {kEdcCalendarId, false},
        {kMinimizeButtonId, true},
        {kCloseButtonId, true},
        {kMonitorViewId, true},
        {kReviewViewId, true},
        {kPlayButtonId, false},
        // Created after the mute button, the slider is stacked under it.
        {kVolumeSliderId, false},
        {kMuteButtonId, false},
        {kExportButtonId, true},
        {kLanguageButtonId, true},
        {kInputButtonId, true},
        {kHomepageButtonId, true},
        {kRecordListId, true},
        {kDeleteRecordButtonId, true},
        {kUndoDeleteButtonId, false},
        {kNoteButtonId, true},
    };
    m_window->show();
    std::vector<int> order;
    for (const Expected& e : table) {
        order.push_back(e.id);
        QWidget* control = Control(e.id);
        ASSERT_NE(control, nullptr) << e.id;
        const ControlPlace place = PlaceOf(e.id);
        EXPECT_EQ(control->objectName(), QString::fromLatin1(place.name));
        if (e.id != kLanguageButtonId && e.id != kInputButtonId && e.id != kHomepageButtonId) {
            EXPECT_EQ(control->geometry(), place.rect) << place.name;
        }
        EXPECT_EQ(control->isVisible(), e.visible) << place.name;
    }
    EXPECT_EQ(ControlIdsInOrder(), order);
    EXPECT_EQ(m_window->size(), kMainWindowSize);
    EXPECT_TRUE(m_window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(m_window->windowTitle(), Text("ProgramName"));

    // The bottom buttons fit their captions: the language one grows from x 12, the homepage one
    // ends at x 887.
    const QRect language = Control(kLanguageButtonId)->geometry();
    const QRect homepage = Control(kHomepageButtonId)->geometry();
    EXPECT_EQ(language.left(), 12);
    EXPECT_EQ(homepage.left() + homepage.width(), 887);
    EXPECT_EQ(language.height(), 18);
    EXPECT_EQ(
        language.width(),
        QFontMetrics(app::UiFont(true))
                .horizontalAdvance(QString::fromStdString(app::UiText("Language", "Title", ""))) +
            6);
}

TEST_F(MainWindowTest, CreatingControlsAgainAddsNoneAndReappliesTheFont) {
    OpenWindow();
    const int childCount = m_window->children().size();
    for (int id : ControlIdsInOrder()) {
        Control(id)->setFont(QFont(QStringLiteral("Monospace"), 30));
    }
    m_window->Retranslate();
    EXPECT_EQ(m_window->children().size(), childCount);
    EXPECT_EQ(ControlIdsInOrder().size(), 25u);
    for (int id : ControlIdsInOrder()) {
        EXPECT_EQ(Control(id)->font(), app::UiFont(false)) << id;
    }
    // Geometry and visibility stay as they were.
    EXPECT_FALSE(Control(kPlayButtonId)->isVisibleTo(m_window.get()));
    EXPECT_EQ(Control(kMonitorButtonId)->geometry(), ControlRect(kMonitorButtonId));
}

TEST_F(MainWindowTest, PointingCursorOverClickableThingsAndRecordItemsOnly) {
    std::ofstream(m_folder / "Data" / "Anna_20100512_20100209153045123.zip") << "x";
    m_store->Write("Name", "Anna");
    m_store->Write("EDC", "2010-05-12");
    OpenWindow();
    m_window->show();
    for (int id : {101, 102, 103, 104, 107, 108, 110, 116, 117, 118, 119, 120}) {
        EXPECT_EQ(Control(id)->cursor().shape(), Qt::BitmapCursor) << id;
    }
    for (int id : {105, 106, 109, 111, 115}) {
        EXPECT_NE(Control(id)->cursor().shape(), Qt::BitmapCursor) << id;
    }
    QListWidget* list = RecordListOf(*m_window);
    ASSERT_EQ(list->count(), 1);
    const auto moveTo = [&](QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, list->viewport()->mapToGlobal(point),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &move);
        return list->viewport()->cursor().shape();
    };
    EXPECT_EQ(moveTo(QPoint(10, 10)), Qt::BitmapCursor);
    EXPECT_EQ(moveTo(QPoint(170, 50)), Qt::BitmapCursor);
    EXPECT_EQ(moveTo(QPoint(10, 80)), Qt::ArrowCursor);
    EXPECT_EQ(moveTo(QPoint(10, 20)), Qt::BitmapCursor);
}

TEST_F(MainWindowTest, MonitoringRunStoresItsRecordAndGuardsTheReview) {
    std::ofstream(m_folder / "Data" / "Anna_20100512_20100101000000000.zip") << "x";
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    RecordsOf(*m_window).RefreshRecordList();
    QListWidget* list = RecordListOf(*m_window);
    ASSERT_EQ(list->count(), 1);

    Click(kMonitorButtonId);
    ASSERT_TRUE(m_controller->IsCapturing());
    EXPECT_TRUE(m_messages.empty());

    // While capturing, nothing can be loaded and the window cannot be closed.
    list->setCurrentRow(0);
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_FALSE(Control(kPlayButtonId)->isVisibleTo(m_window.get()));
    Click(kCloseButtonId);
    ASSERT_EQ(m_messages.size(), 2u);
    for (const auto& [kind, text] : m_messages) {
        EXPECT_EQ(kind, MessageKind::Warning);
        EXPECT_EQ(text, Text("AlertRecording"));
    }
    EXPECT_TRUE(m_controller->IsCapturing());

    ASSERT_TRUE(WaitForAudio());
    Click(kMonitorButtonId);
    StopAndWait();
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.zip"));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), "Anna_20100512_20100101000000000.zip");
    const std::string stored = list->item(1)->text().toStdString();
    EXPECT_TRUE(std::regex_match(stored, std::regex(R"(Anna_20100512_20\d{15}\.zip)"))) << stored;
    EXPECT_TRUE(std::filesystem::exists(m_folder / "Data" / stored));
    EXPECT_EQ(m_messages.size(), 2u);

    // Idle again: a selection loads the record and shows the playback controls.
    list->setCurrentRow(1);
    EXPECT_TRUE(Control(kPlayButtonId)->isVisibleTo(m_window.get()));
    EXPECT_TRUE(Control(kMuteButtonId)->isVisibleTo(m_window.get()));
    EXPECT_TRUE(Control(kVolumeSliderId)->isVisibleTo(m_window.get()));
    EXPECT_EQ(list->currentRow(), 1);
    RecordsOf(*m_window).ShowRecord(-1);
    EXPECT_FALSE(Control(kPlayButtonId)->isVisibleTo(m_window.get()));
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(MainWindowTest, ARecordThatCannotTakeItsNameIsKeptAndReported) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitForAudio());
    // The record folder cannot be made, so the record name cannot be used.
    std::filesystem::remove_all(m_folder / "Data");
    std::ofstream(m_folder / "Data") << "in the way";
    Click(kMonitorButtonId);
    StopAndWait();
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.zip"));
    ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].first, MessageKind::Error);
    const QStringList lines = m_messages[0].second.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], Text("RecordNotStored"));
    const std::filesystem::path kept = lines[1].toStdString();
    EXPECT_EQ(kept.parent_path(), m_folder);
    EXPECT_TRUE(kept.filename().string().starts_with("Data-unsaved-"));
    platform::ZipReader zip;
    EXPECT_TRUE(zip.Open(kept)) << "the run's packed recording";
}

// A double click on the monitoring button makes a run of no audio: it is no record.
TEST_F(MainWindowTest, ARunWithoutABlockOfAudioIsNotStored) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    Click(kMonitorButtonId);
    Click(kMonitorButtonId);
    StopAndWait();
    EXPECT_TRUE(DataFiles().empty());
    EXPECT_EQ(RecordListOf(*m_window)->count(), 0);
    EXPECT_TRUE(m_messages.empty());
    for (const char* gone : {"Data.wav", "Data.hr", "Data.zip", "Data.run"}) {
        EXPECT_FALSE(std::filesystem::exists(m_folder / gone)) << gone;
    }
}

TEST_F(MainWindowTest, ClosingFromTheWindowSystemWhileMonitoringKeepsTheRecord) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    Click(kMonitorButtonId);
    ASSERT_TRUE(m_controller->IsCapturing());
    ASSERT_TRUE(WaitForAudio());
    EXPECT_TRUE(m_window->close());
    EXPECT_FALSE(m_controller->AnyThreadRunning());
    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_TRUE(std::regex_match(files[0], std::regex(R"(Anna_20100512_\d{17}\.zip)")));
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.zip"));
    // The profile was saved on the way out.
    EXPECT_EQ(m_store->Read("Name"), std::optional<std::string>("Anna"));
    EXPECT_EQ(m_store->Read("EDC"), std::optional<std::string>("2010-05-12"));
}

TEST_F(MainWindowTest, StoppingIsNeverRefusedAndTheRecordTakesTheProfileOfTheRunsStart) {
    OpenWindow();
    struct Case {
        QString nameAtStop;
        QString edcAtStop;
    };
    const Case cases[] = {{"", "2010-05-12"}, {"Bella", "2011-01-01"}, {"a/b", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nameAtStop.toStdString());
        FillProfile("Anna", "2010-05-12");
        Click(kMonitorButtonId);
        ASSERT_TRUE(m_controller->IsCapturing());
        ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(m_folder / "Data.run"); }));
        ASSERT_TRUE(WaitForAudio());
        FillProfile(c.nameAtStop, c.edcAtStop);
        Click(kMonitorButtonId);
        EXPECT_FALSE(m_controller->IsCapturing());
        StopAndWait();
        EXPECT_TRUE(m_messages.empty());
        EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.run"));
    }
    const std::vector<std::string> files = DataFiles();
    EXPECT_EQ(files.size(), 3u);
    for (const std::string& file : files) {
        EXPECT_TRUE(std::regex_match(file, std::regex(R"(Anna_20100512_\d{17}\.zip)"))) << file;
    }
}

// Holds up the end of every run, as packing a long recording does.
TEST_F(MainWindowTest, AWriteFailureEndsTheRunAndKeepsWhatWasWritten) {
    OpenWindow();
    FillProfile("Anna", "2010-05-12");
    constexpr std::uint32_t kHeld = 2 * 16000 + 500;
    {
        const FileSizeLimit limit(44 + kHeld);
        Click(kMonitorButtonId);
        ASSERT_TRUE(WaitFor([&] { return !m_controller->IsCapturing(); }));
        StopAndWait();
    }
    ASSERT_FALSE(m_messages.empty());
    EXPECT_EQ(m_messages[0].second, Text("RecordingWriteStopped"));
    EXPECT_NE(Text("RecordingWriteStopped"), Text("RecordWriteFailed"));
    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    const auto wav = StoredAudio(files[0]);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->samples.size(), kHeld);
}

// A run that fills a real disk is kept aside; once there is room, the next start stores it under
// its record name, says so, and does it once.
TEST_F(MainWindowTest, ARunKeptAsideOnAFullDiskIsStoredOnceThereIsRoom) {
    namespace fs = std::filesystem;
    const fs::path small = m_folder / "small";
    SmallDisk disk(small, 24 * 1024);
    if (!disk.Mounted()) {
        GTEST_SKIP() << "mounting a small disk needs root";
    }
    fs::create_directory(small / "Data");
    const auto filesStartingWith = [&](const std::string& prefix) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(small)) {
            if (entry.path().filename().string().starts_with(prefix)) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    };
    const auto recordsOnDisk = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(small / "Data")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    };
    OpenWindow(small);
    FillProfile("Anna", "2010-05-12");
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitFor([&] { return !m_controller->IsCapturing(); }));
    StopAndWait();
    ASSERT_TRUE(WaitFor([&] { return m_messages.size() >= 2; }));
    EXPECT_EQ(m_messages[0].second, Text("RecordingWriteStopped"));
    EXPECT_TRUE(recordsOnDisk().empty());
    const std::vector<std::string> kept = filesStartingWith("Data-unsaved-");
    ASSERT_EQ(kept.size(), 3u) << "audio, trace and marker";
    const std::uintmax_t keptAudio =
        fs::file_size(small / (fs::path(kept[0]).stem().string() + ".wav"));
    CloseWindow();

    ASSERT_TRUE(disk.Resize(4 * 1024 * 1024));
    m_messages.clear();
    OpenWindow(small);
    ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages[0].second.split('\n').front(), Text("KeptAsideStored"));
    const std::vector<std::string> records = recordsOnDisk();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_TRUE(std::regex_match(records[0], std::regex(R"(Anna_20100512_\d{17}\.zip)")));
    EXPECT_TRUE(m_messages[0].second.contains(QString::fromStdString(records[0])));
    EXPECT_TRUE(filesStartingWith("Data-unsaved-").empty());
    fs::copy_file(small / "Data" / records[0], m_folder / "stored.zip");
    CloseWindow();
    const auto wav = StoredAudio("../stored.zip");
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->samples.size() + 44, keptAudio);

    m_messages.clear();
    OpenWindow(small);
    Pump();
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(recordsOnDisk().size(), 1u);
    CloseWindow();
}

TEST_F(MainWindowTest, ARunCutShortIsStoredAtTheNextStartAndTheUserIsTold) {
    WriteCaptureWav(m_folder / "Data.wav", PulsingAudio(3));
    std::ofstream(m_folder / "Data.hr", std::ios::binary) << std::string(8, '\0');
    ASSERT_TRUE(session::WriteRunMarker(
        m_folder / session::kRunMarkerFile,
        {"Anna", "2010-05-12", std::chrono::system_clock::now() - std::chrono::minutes(5)}));
    m_store->Write("Name", "Anna");
    m_store->Write("EDC", "2010-05-12");
    OpenWindow();
    ASSERT_TRUE(WaitFor([&] { return !m_messages.empty(); }));
    EXPECT_EQ(m_messages[0].first, MessageKind::Warning);
    const QStringList lines = m_messages[0].second.split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], Text("RunRecovered"));
    ASSERT_EQ(RecordListOf(*m_window)->count(), 1);
    EXPECT_EQ(RecordListOf(*m_window)->item(0)->text(), lines[1]);
    EXPECT_FALSE(std::filesystem::exists(m_folder / "Data.wav"));
    EXPECT_FALSE(std::filesystem::exists(m_folder / session::kRunMarkerFile));
}

// In every language, whatever day its week starts on, the calendar opens from the date box on
// the due date's month with that day highlighted, and Enter takes the highlighted day.
TEST_F(MainWindowTest, PressOnAFreeSpotDragsTheWindowAndOnAControlDoesNot) {
    OpenWindow();
    m_window->move(100, 100);
    m_window->show();
    const QPoint freeSpot(300, 20);
    ASSERT_EQ(m_window->childAt(freeSpot), nullptr);
    QTest::mousePress(m_window.get(), Qt::LeftButton, {}, freeSpot);
    QMouseEvent move(QEvent::MouseMove, QPointF(freeSpot + QPoint(30, 40)),
                     QPointF(m_window->mapToGlobal(freeSpot) + QPoint(30, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &move);
    QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, freeSpot + QPoint(30, 40));
    EXPECT_EQ(m_window->pos(), QPoint(130, 140));

    // A press on the monitor view (which takes no clicks) does not drag.
    QWidget* view = Control(kMonitorViewId);
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10));
    QMouseEvent viewMove(QEvent::MouseMove, QPointF(50, 50),
                         QPointF(view->mapToGlobal(QPoint(50, 50))), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &viewMove);
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(m_window->pos(), QPoint(130, 140));
}

// A file name that is no UTF-8 keeps its records: the mother is shown with replacement
// characters but matched, loaded and stored by her original bytes, and the profile keeps her
// bytes with her due date, so the next start shows her and her records.
// A sound input that cannot be opened.
class FailingSoundInput final : public platform::SoundInput {
public:
    explicit FailingSoundInput(platform::SoundInputError error) : m_error(std::move(error)) {}
    bool Open(const recordformat::WaveFormat&, platform::ThreadMessageQueue&,
              platform::SoundInputError& error) override {
        error = m_error;
        return false;
    }
    void AddBuffer(std::unique_ptr<platform::SoundBuffer>) override {}
    bool Start(platform::SoundInputError&) override { return false; }
    void Stop() override {}
    void Reset() override {}
    void Close() override {}

private:
    platform::SoundInputError m_error;
};

// Records, at each paint of a widget, what a check says at that moment.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<bool()> check) : m_check(std::move(check)) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            seen.push_back(m_check());
        }
        return false;
    }
    std::vector<bool> seen;

private:
    std::function<bool()> m_check;
};

TEST_F(MainWindowTest, CaptureErrorsAreShownInTheLanguageAndMonitoringFallsBackToIdle) {
    using platform::SoundInputProblem;
    struct Case {
        bool anyDevice;
        platform::SoundInputError error;
        QString expected;
    };
    const Case cases[] = {
        {false, {7, "The device is busy.", SoundInputProblem::Unknown, {}}, Text("ConnFailed")},
        {true,
         {7, "The device is busy.", SoundInputProblem::Unknown, {}},
         QStringLiteral("The device is busy.")},
        {true,
         {1, "The capture device \"Mic\" does not take PCM.", SoundInputProblem::FormatRefused,
          "Mic"},
         Text("InputFormatRefused").arg("Mic")},
        {true,
         {1, "The sound file /a.wav cannot be read: short", SoundInputProblem::FileUnreadable,
          "/a.wav"},
         Text("InputFileUnreadable").arg("/a.wav")},
        {true,
         {4, "The sound system reported a fatal error.", SoundInputProblem::Fatal, {}},
         Text("InputFatal")},
        {true,
         {1, "No capture device is available.", SoundInputProblem::NoDevice, {}},
         Text("InputNoDevice")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error.text);
        ASSERT_FALSE(c.expected.isEmpty());
        CloseWindow();
        m_messages.clear();
        m_controller = std::make_unique<acquisition::CaptureController>(
            [error = c.error] { return std::make_unique<FailingSoundInput>(error); },
            [anyDevice = c.anyDevice] { return anyDevice; });
        OpenWindow();
        FillProfile("Anna", "2010-05-12");
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        // After the box, the button shows its idle look at once, not once the mouse passes.
        PaintWatch watch(Control(kMonitorButtonId),
                         [this] { return !m_controller->IsCapturing(); });
        m_window->Prompts().SetMessageHook([this, &watch](MessageKind kind, const QString& text) {
            m_messages.emplace_back(kind, text);
            watch.seen.clear();
        });
        Click(kMonitorButtonId);
        StopAndWait();
        EXPECT_FALSE(m_controller->IsCapturing());
        ASSERT_TRUE(WaitFor([&] { return !m_messages.empty() && !watch.seen.empty(); }))
            << "not painted after the box";
        EXPECT_TRUE(watch.seen.back());
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].first, MessageKind::Error);
        EXPECT_EQ(m_messages[0].second, c.expected);
        EXPECT_TRUE(DataFiles().empty());
    }
}

// The box about a failed sound input is the user's to close; the capture thread has ended by
// then and holds neither the input nor the working files.
TEST_F(MainWindowTest, ACaptureErrorBoxNeverHoldsTheCaptureThread) {
    m_controller = std::make_unique<acquisition::CaptureController>(
        [] {
            return std::make_unique<FailingSoundInput>(
                platform::SoundInputError{7, "The device is busy."});
        },
        [] { return true; });
    OpenWindow();
    m_window->Prompts().SetMessageHook({});
    FillProfile("Anna", "2010-05-12");
    bool boxSeen = false;
    bool endedWhileOpen = false;
    int polls = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        boxSeen = true;
        endedWhileOpen = !m_controller->AnyThreadRunning();
        // A thread still waiting after a second waits for the box.
        if (endedWhileOpen || ++polls > 200) {
            box->accept();
        }
    });
    poll.start(5);
    Click(kMonitorButtonId);
    ASSERT_TRUE(WaitFor([&] { return boxSeen && QApplication::activeModalWidget() == nullptr; }));
    EXPECT_TRUE(endedWhileOpen);
    EXPECT_FALSE(m_controller->IsCapturing());
}

}  // namespace
}  // namespace marulo::testing
