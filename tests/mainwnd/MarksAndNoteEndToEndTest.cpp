// SPDX-License-Identifier: GPL-3.0-or-later
// "Baby moved" marks taken during a run with the real sound input, and a note added in review:
// found in the record's archive, on the chart, in the CSV and back in the note dialog.
#include <QAbstractButton>
#include <QAccessible>
#include <QPlainTextEdit>
#include <QTest>
#include <fstream>
#include <sstream>

#include "archive/RecordEvents.h"
#include "dialogs/NoteDialog.h"
#include "report/RecordReport.h"
#include "tests/mainwnd/PulseWindowFixture.h"
#include "tests/report/StoredRecords.h"

namespace marulo::testing {
namespace {

namespace fs = std::filesystem;

class MarksAndNoteEndToEndTest : public PulseWindowTestBase {
protected:
    // Waits until the run has recorded this much more audio than now.
    bool RecordMore(double seconds) const {
        std::error_code ignored;
        const auto from = fs::file_size(m_folder / "Data.wav", ignored);
        return WaitFor([&] {
            std::error_code error;
            return fs::file_size(m_folder / "Data.wav", error) >=
                       from + static_cast<std::uintmax_t>(seconds * 16000) &&
                   !error;
        });
    }

    // Opens the note dialog with the button, types the text over the old note and says OK.
    void WriteNote(const QString& text) const {
        QTest::mouseClick(Control(controls::kNoteButtonId), Qt::LeftButton);
        auto* dialog = m_window->findChild<dialogs::NoteDialog*>();
        ASSERT_NE(dialog, nullptr);
        dialog->Editor().selectAll();
        QTest::keyClicks(&dialog->Editor(), text);
        dialog->accept();
        Pump();
    }

    static std::string ReadAll(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(MarksAndNoteEndToEndTest, MarksAndANoteReachTheArchiveTheChartAndTheCsv) {
    mainwnd::MainWindow& window = OpenWithProfile();
    window.activateWindow();
    auto* markButton = ControlOf<QAbstractButton>(window, controls::kMarkButtonId);
    auto* noteButton = ControlOf<QAbstractButton>(window, controls::kNoteButtonId);
    ASSERT_NE(markButton, nullptr);
    ASSERT_NE(noteButton, nullptr);
    EXPECT_FALSE(markButton->isEnabled());
    EXPECT_FALSE(noteButton->isEnabled());

    m_pulse->FeedPaced(PulsingAudio(20));
    QWidget* monitorButton = Control(controls::kMonitorButtonId);
    QTest::mouseClick(monitorButton, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return markButton->isEnabled(); }));
    ASSERT_TRUE(RecordMore(1.5));
    // M on the monitor button and on the live view, then the button: three seconds marked.
    QTest::keyClick(monitorButton, Qt::Key_M);
    EXPECT_EQ(markButton->text(), Text("MarkCount").arg(1));
    ASSERT_TRUE(RecordMore(1.5));
    QTest::keyClick(MonitorViewOf(window), Qt::Key_M);
    EXPECT_EQ(markButton->text(), Text("MarkCount").arg(2));
    ASSERT_TRUE(RecordMore(1.5));
    QTest::mouseClick(markButton, Qt::LeftButton);
    EXPECT_EQ(markButton->text(), Text("MarkCount").arg(3));
    // M typed into the name box is a letter, not a mark.
    QTest::keyClick(NameBoxOf(window), Qt::Key_M);
    EXPECT_EQ(markButton->text(), Text("MarkCount").arg(3));
    EXPECT_EQ(NameBoxOf(window)->text(), QStringLiteral("Annam"));
    QTest::keyClick(NameBoxOf(window), Qt::Key_Backspace);
    ASSERT_TRUE(RecordMore(1.5));
    QTest::mouseClick(monitorButton, Qt::LeftButton);
    StopAndWait();
    m_pulse->StopFeeding();
    Pump();
    EXPECT_FALSE(markButton->isEnabled());
    EXPECT_TRUE(m_messages.empty());

    const std::vector<std::string> files = DataFiles();
    ASSERT_EQ(files.size(), 1u);
    const fs::path record = m_folder / "Data" / files[0];
    archive::RecordEvents stored;
    ASSERT_EQ(archive::ReadRecordEvents(record, stored), archive::EventsProblem::None);
    ASSERT_EQ(stored.marks.size(), 3u);
    EXPECT_TRUE(std::is_sorted(stored.marks.begin(), stored.marks.end()));
    EXPECT_GE(stored.marks.front(), 1u);
    EXPECT_TRUE(stored.note.empty());

    // The chart of the record shows the same seconds.
    views::ReviewView& chart = *ReviewViewOf(window);
    ASSERT_TRUE(WaitFor([&] { return RecordListOf(window)->count() == 1; }));
    RecordListOf(window)->setCurrentRow(0);
    ASSERT_TRUE(RecordsOf(window).ShowsRecord());
    ASSERT_TRUE(WaitFor([&] { return !chart.IsLoading() && !chart.Trace().empty(); }));
    EXPECT_EQ(chart.MovementMarks(), stored.marks);
    // Each mark is drawn at its second, from the top of the grid down.
    const QImage drawn = chart.viewport()->grab().toImage();
    for (const std::uint32_t second : stored.marks) {
        int dark = 0;
        for (int y = 0; y < drawn.height(); ++y) {
            dark += drawn.pixelColor(static_cast<int>(second), y) == QColor(30, 60, 150);
        }
        EXPECT_GE(dark, 10) << second;
    }
    ASSERT_TRUE(noteButton->isEnabled());

    // A note written in review is stored beside the marks and shown with the record.
    WriteNote(QStringLiteral("Kicks after lunch"));
    ASSERT_TRUE(WaitFor([&] { return noteButton->isEnabled(); }));
    EXPECT_EQ(chart.accessibleDescription(), Text("NoteShown").arg("Kicks after lunch"));
    ASSERT_EQ(archive::ReadRecordEvents(record, stored), archive::EventsProblem::None);
    EXPECT_EQ(stored.note, "Kicks after lunch");
    EXPECT_EQ(stored.marks.size(), 3u);
    // The dialog opens on the stored note; one too long is refused and the old one kept.
    QTest::mouseClick(noteButton, Qt::LeftButton);
    auto* dialog = window.findChild<dialogs::NoteDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Text(), QStringLiteral("Kicks after lunch"));
    dialog->Editor().setPlainText(QString(archive::kMaxNoteBytes + 1, QLatin1Char('x')));
    dialog->accept();
    Pump();
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("NoteInvalid"));
    ASSERT_EQ(archive::ReadRecordEvents(record, stored), archive::EventsProblem::None);
    EXPECT_EQ(stored.note, "Kicks after lunch");
    EXPECT_TRUE(WaitFor([&] { return window.findChild<dialogs::NoteDialog*>() == nullptr; }));

    // The CSV marks the same seconds and carries the note.
    std::string error;
    const auto report = report::ReadRecordReport(record, {}, error);
    ASSERT_TRUE(report) << error;
    ASSERT_TRUE(report::WriteCsvReport(*report, m_folder / "r.csv", std::nullopt, error)) << error;
    std::istringstream csv(ReadAll(m_folder / "r.csv"));
    std::string line;
    std::getline(csv, line);
    EXPECT_TRUE(line.ends_with(",date,moved,note\r"));
    std::vector<std::uint32_t> moved;
    for (std::uint32_t second = 0; std::getline(csv, line); ++second) {
        if (second == 0) {
            EXPECT_TRUE(line.ends_with(",\"Kicks after lunch\"\r")) << line;
        }
        if (line.substr(0, line.size() - 1).ends_with(",1,") ||
            (second == 0 && line.find(",1,\"") != std::string::npos)) {
            moved.push_back(second);
        }
    }
    EXPECT_EQ(moved, stored.marks);
}

// A damaged marks item: the record opens with its trace and a message, and a new note still cannot
// drop the marks it does not understand.
TEST_F(MarksAndNoteEndToEndTest, DamagedMarksAreToldAndTheRecordOpensAsBefore) {
    const fs::path record = m_folder / "Data" / "Anna_20100512_20100209110700000.zip";
    WriteArchive(record, {{"Data.wav", WavBytes(2.0)},
                          {"Data.hr", TraceBytes({140, 141, 142})},
                          {std::string(archive::kMarksItemName), "2\nnot a second\n"}});
    mainwnd::MainWindow& window = OpenWindow();
    window.show();
    NameBoxOf(window)->setText("Anna");
    ProfileOf(window).SetEdcText("2010-05-12");
    RecordsOf(window).RefreshRecordList();
    RecordListOf(window)->setCurrentRow(0);
    views::ReviewView& chart = *ReviewViewOf(window);
    ASSERT_TRUE(WaitFor([&] { return !chart.IsLoading() && !chart.Trace().empty(); }));
    EXPECT_EQ(chart.Trace(), (std::vector<std::int32_t>{140, 141, 142}));
    EXPECT_TRUE(chart.MovementMarks().empty());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].second, Text("EventsDamaged"));

    WriteNote(QStringLiteral("hello"));
    ASSERT_TRUE(WaitFor([&] { return m_messages.size() == 2; }));
    EXPECT_EQ(m_messages[1].second, Text("EventsNotStored"));
    archive::RecordEvents events;
    EXPECT_EQ(archive::ReadRecordEvents(record, events), archive::EventsProblem::MarksDamaged);
}

}  // namespace
}  // namespace marulo::testing
