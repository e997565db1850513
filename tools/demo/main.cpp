// SPDX-License-Identifier: GPL-3.0-or-later
// marulo-demo: walks the program's main window through one monitoring run and its review like a
// user would, with mouse and key events on its real controls, and keeps a screenshot of each
// stage and a summary of the stored record.
#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "acquisition/CaptureController.h"
#include "app/WorkFolder.h"
#include "archive/RecordName.h"
#include "controls/SkinBitmap.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/EdcCalendar.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/PlaybackBar.h"
#include "mainwnd/ProfilePanel.h"
#include "platform/SoundInputChoice.h"
#include "platform/WholeNumber.h"
#include "session/MonitoringSession.h"
#include "tools/demo/StoredRecord.h"

namespace {

namespace fs = std::filesystem;
using marulo::mainwnd::MainWindow;

constexpr std::string_view kUsage =
    "usage: marulo-demo [OUT_DIR] [--monitor-seconds N] [--play-seconds N] [--name NAME]";

constexpr std::string_view kHelp = R"(

Starts the program's main window exactly as the program does and walks it like a user: types
the mother's name, picks a due date in the calendar, monitors, stops, waits for the record in
Data, selects it, plays it and closes the window. Each stage is saved as a PNG screenshot in
OUT_DIR (default: the docs/demo folder of the source tree) with summary.txt describing the
stored record.

Run it in a copy of the program folder (Data and the working files are made there) with
MARULO_SOUND_INPUT_FILE naming a capture-format WAV (see marulo-synth) and, without a display,
QT_QPA_PLATFORM=offscreen. scripts/demo.sh does all of this.

  --monitor-seconds N  how long to monitor (default 30)
  --play-seconds N     how long to play the record (default 4)
  --name NAME          the mother's name to type (default Anna)

Exit status: 0 when every stage passed, 1 when one failed (the reason is printed and a
screenshot failure.png kept), 2 on bad usage.
)";

struct DemoOptions {
    fs::path outputDir = MARULO_DEMO_DEFAULT_OUTPUT;
    int monitorSeconds = 30;
    int playSeconds = 4;
    QString name = QStringLiteral("Anna");
};

// Thrown by a stage that cannot go on; the text says what went wrong.
struct DemoFailure {
    std::string what;
};

bool ParseSeconds(std::string_view text, int& value) {
    const std::optional<int> parsed = marulo::platform::ParseWholeNumber<int>(text);
    if (!parsed || *parsed <= 0 || *parsed > 3600) {
        return false;
    }
    value = *parsed;
    return true;
}

// The road of one monitoring run and its review, driven through the window's real controls.
class DemoRoad {
public:
    DemoRoad(MainWindow& window, marulo::session::MonitoringSession& session, DemoOptions options)
        : m_window(window), m_session(session), m_options(std::move(options)) {}

    // Runs every stage; returns the process's exit status.
    int Run() {
        m_clock.start();
        WatchForMessageBoxes();
        try {
            fs::create_directories(m_options.outputDir);
            RemoveOldScreenshots();
            Stage("01-start", [this] { Wait(800); });
            Stage("02-name", [this] { TypeName(); });
            Stage("03-calendar", [this] { OpenCalendar(); });
            Stage("04-due-date", [this] { PickDueDate(); });
            Stage("05-monitoring", [this] { StartMonitoring(); });
            Stage("06-monitoring-end", [this] { MonitorToTheEnd(); });
            Stage("07-stored", [this] { StopAndWaitForTheRecord(); });
            Stage("08-review", [this] { SelectTheRecord(); });
            Stage("09-playing", [this] { Play(); });
            StopPlaying();
            WriteSummary();
            CloseWindow();
        } catch (const DemoFailure& failure) {
            return Failed(failure.what);
        } catch (const fs::filesystem_error& error) {
            return Failed(error.what());
        }
        std::cout << "marulo-demo: every stage passed in " << m_clock.elapsed() / 1000.0
                  << " s; screenshots and summary.txt in " << m_options.outputDir.string() << '\n';
        return 0;
    }

private:
    int Failed(const std::string& what) {
        std::cerr << "marulo-demo: " << what << '\n';
        m_window.grab().save(Shot("failure"));
        m_session.Stop();
        return 1;
    }

    QString Shot(const char* stage) const {
        return QString::fromStdString(
            (m_options.outputDir / (std::string(stage) + ".png")).string());
    }

    void RemoveOldScreenshots() const {
        for (const auto& entry : fs::directory_iterator(m_options.outputDir)) {
            if (entry.path().extension() == ".png") {
                fs::remove(entry.path());
            }
        }
    }

    void Stage(const char* name, const std::function<void()>& step) {
        std::cout << "marulo-demo: " << name << '\n' << std::flush;
        step();
        Wait(300);
        if (!m_window.grab().save(Shot(name))) {
            throw DemoFailure{"cannot write the screenshot " + Shot(name).toStdString()};
        }
    }

    // Lets the program run for a while; a message box that pops up meanwhile ends the demo.
    void Wait(int milliseconds) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < milliseconds) {
            QTest::qWait(50);
            FailOnMessageBox();
        }
    }

    void WaitFor(const std::function<bool()>& condition, int limitMilliseconds,
                 const std::string& what) {
        QElapsedTimer timer;
        timer.start();
        while (!condition()) {
            if (timer.elapsed() > limitMilliseconds) {
                throw DemoFailure{what};
            }
            QTest::qWait(50);
            FailOnMessageBox();
        }
    }

    // A box may open inside any event loop, even one the program runs itself, so a timer of
    // its own closes it; the next wait of the road then fails with its text.
    void WatchForMessageBoxes() {
        auto* watch = new QTimer(&m_window);
        QObject::connect(watch, &QTimer::timeout, watch, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            if (m_message.empty()) {
                m_message = box->text().toStdString();
                box->grab().save(Shot("failure-message"));
            }
            box->reject();
        });
        watch->start(100);
    }

    void FailOnMessageBox() const {
        if (!m_message.empty()) {
            throw DemoFailure{"the program said: " + m_message};
        }
    }

    template <typename T = QWidget>
    T& Child(const char* objectName) const {
        T* child = m_window.findChild<T*>(QString::fromLatin1(objectName));
        if (child == nullptr || !child->isVisible()) {
            throw DemoFailure{std::string("the control ") + objectName + " is not shown"};
        }
        return *child;
    }

    void Click(QWidget& widget, QPoint at = {}) {
        QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier,
                          at.isNull() ? widget.rect().center() : at);
    }

    void TypeName() {
        auto& nameBox = Child<QLineEdit>("NameBox");
        Click(nameBox);
        QTest::keyClick(&nameBox, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&nameBox, Qt::Key_Delete);
        QTest::keyClicks(&nameBox, m_options.name);
        if (marulo::mainwnd::FindControl<QLineEdit>(m_window, marulo::controls::kNameBoxId)
                ->text() != m_options.name) {
            throw DemoFailure{"the name box shows \"" + nameBox.text().toStdString() + "\""};
        }
    }

    void OpenCalendar() {
        Click(Child("CalendarButton"));
        WaitFor(
            [this] {
                return marulo::mainwnd::FindControl<marulo::mainwnd::EdcCalendar>(
                           m_window, marulo::controls::kEdcCalendarId)
                    ->isVisible();
            },
            2000, "the calendar did not open");
    }

    // Picks the 15th of the month a little over three months ahead: a day shown only once in the
    // calendar's grid, well inside the pregnancy's 280 days.
    void PickDueDate() {
        QCalendarWidget& calendar = *marulo::mainwnd::FindControl<marulo::mainwnd::EdcCalendar>(
            m_window, marulo::controls::kEdcCalendarId);
        const QDate today = QDate::currentDate();
        const QDate target = QDate(today.year(), today.month(), 15).addMonths(4);
        auto* next = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth"));
        auto* grid =
            calendar.findChild<QAbstractItemView*>(QStringLiteral("qt_calendar_calendarview"));
        if (next == nullptr || grid == nullptr) {
            throw DemoFailure{"the calendar has no month button or day grid"};
        }
        for (int guard = 0; guard < 24 && (calendar.yearShown() != target.year() ||
                                           calendar.monthShown() != target.month());
             ++guard) {
            Click(*next);
            Wait(100);
        }
        const QModelIndex cell = DayCell(*grid, target.day());
        if (!cell.isValid()) {
            throw DemoFailure{"the calendar does not show the day " +
                              target.toString(Qt::ISODate).toStdString()};
        }
        Click(*grid->viewport(), grid->visualRect(cell).center());
        m_dueDate = target.toString(Qt::ISODate);
        WaitFor(
            [this] {
                return m_window.findChild<marulo::mainwnd::ProfilePanel*>()->EdcText() == m_dueDate;
            },
            2000, "the picked due date " + m_dueDate.toStdString() + " was not taken");
    }

    static QModelIndex DayCell(const QAbstractItemView& grid, int day) {
        const QAbstractItemModel& model = *grid.model();
        for (int row = 0; row < model.rowCount(); ++row) {
            for (int column = 0; column < model.columnCount(); ++column) {
                const QModelIndex index = model.index(row, column);
                if (row > 0 && model.data(index).toInt() == day) {
                    return index;
                }
            }
        }
        return {};
    }

    void StartMonitoring() {
        Click(Child("MonitorButton"));
        WaitFor([&] { return m_session.IsRunning(); }, 3000, "monitoring did not start");
        m_monitorStart.start();
        Wait(m_options.monitorSeconds * 1000 / 2);
    }

    void MonitorToTheEnd() {
        Wait(static_cast<int>(std::max<qint64>(
            0, m_options.monitorSeconds * qint64{1000} - m_monitorStart.elapsed())));
    }

    void StopAndWaitForTheRecord() {
        Click(Child("MonitorButton"));
        WaitFor([&] { return !m_session.IsRunning(); }, 5000, "monitoring did not stop");
        const fs::path data = m_session.WorkFolder() / std::string(marulo::archive::RecordFolder);
        WaitFor(
            [&] {
                std::error_code ignored;
                for (const auto& entry : fs::directory_iterator(data, ignored)) {
                    if (entry.path().extension() == ".zip") {
                        m_stored = entry.path();
                        return true;
                    }
                }
                return false;
            },
            10000, "no record was stored in " + data.string());
        WaitFor(
            [this] {
                return marulo::mainwnd::FindControl<QListWidget>(m_window,
                                                                 marulo::controls::kRecordListId)
                           ->count() > 0;
            },
            5000, "the record list stayed empty");
    }

    void SelectTheRecord() {
        QListWidget& list =
            *marulo::mainwnd::FindControl<QListWidget>(m_window, marulo::controls::kRecordListId);
        QListWidgetItem* item = list.item(list.count() - 1);
        Click(*list.viewport(), list.visualItemRect(item).center());
        Child("PlayButton");
    }

    void Play() {
        Click(Child("PlayButton"));
        WaitFor([this] { return m_window.findChild<marulo::mainwnd::PlaybackBar*>()->IsPlaying(); },
                5000, "playback did not start");
        Wait(m_options.playSeconds * 1000);
    }

    void StopPlaying() {
        if (m_window.findChild<marulo::mainwnd::PlaybackBar*>()->IsPlaying()) {
            Click(Child("PlayButton"));
            WaitFor(
                [this] {
                    return !m_window.findChild<marulo::mainwnd::PlaybackBar*>()->IsPlaying();
                },
                5000, "playback did not stop");
        }
    }

    void WriteSummary() {
        std::string error;
        const auto record = marulo::demo::ReadStoredRecord(m_stored, error);
        if (!record) {
            throw DemoFailure{"the stored record cannot be read: " + error};
        }
        std::ofstream out(m_options.outputDir / "summary.txt");
        out << "Marulo demo: one monitoring run and its review\n"
            << "mother's name typed: " << m_options.name.toStdString() << '\n'
            << "due date picked: " << m_dueDate.toStdString() << '\n'
            << "monitored for: " << m_options.monitorSeconds << " s\n"
            << "file stored: " << marulo::archive::RecordFolder << '/'
            << m_stored.filename().string() << '\n'
            << "items:";
        for (const std::string& item : record->itemNames) {
            out << ' ' << item;
        }
        out << "\nseconds recorded: " << record->AudioSeconds() << " (" << record->audio.size()
            << " WAV data bytes / " << record->format.averageBytesPerSecond << ")\n"
            << "heart-rate trace (" << record->trace.size() << " values, one a second):";
        for (const std::int32_t rate : record->trace) {
            out << ' ' << rate;
        }
        out << "\nplayed for: " << m_options.playSeconds << " s\n";
        if (!out) {
            throw DemoFailure{"cannot write summary.txt in " + m_options.outputDir.string()};
        }
    }

    void CloseWindow() { Click(Child("CloseButton")); }

    MainWindow& m_window;
    marulo::session::MonitoringSession& m_session;
    DemoOptions m_options;
    QElapsedTimer m_clock;
    QElapsedTimer m_monitorStart;
    QString m_dueDate;
    fs::path m_stored;
    std::string m_message;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    DemoOptions options;
    bool outputGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help") {
            std::cout << kUsage << kHelp;
            return 0;
        }
        const bool takesValue =
            arg == "--monitor-seconds" || arg == "--play-seconds" || arg == "--name";
        if (takesValue && i + 1 < args.size()) {
            const std::string_view value = args[++i];
            bool parsed = !value.empty();
            if (arg == "--name") {
                options.name =
                    QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
            } else {
                parsed = ParseSeconds(value, arg == "--monitor-seconds" ? options.monitorSeconds
                                                                        : options.playSeconds);
            }
            if (!parsed) {
                std::cerr << "marulo-demo: bad value for " << arg << ": " << value << '\n';
                return 2;
            }
        } else if (!arg.starts_with("--") && !outputGiven) {
            options.outputDir = fs::absolute(fs::path(std::string(arg)));
            outputGiven = true;
        } else {
            std::cerr << kUsage << '\n';
            return 2;
        }
    }
    if (std::getenv(marulo::platform::kSoundInputFileVariable) == nullptr) {
        std::cerr << "marulo-demo: set " << marulo::platform::kSoundInputFileVariable
                  << " to a WAV file (marulo-synth makes one); scripts/demo.sh does it all\n";
        return 2;
    }
    marulo::platform::SetSoundInputFile(std::getenv(marulo::platform::kSoundInputFileVariable));

    // The program's own start, as its entry point makes it.
    QApplication application(argc, argv);
    QApplication::setWindowIcon(marulo::controls::ApplicationIcon());
    const marulo::app::FolderLocation folder = marulo::app::WorkFolder();
    const fs::path workFolder = folder.drive + folder.directory;
    marulo::platform::SoundInputChoice inputChoice;
    marulo::acquisition::CaptureController controller(
        [&inputChoice] { return inputChoice.CreateInput(); },
        &marulo::platform::AnyCaptureDeviceExists);
    marulo::session::MonitoringSession session(workFolder, controller);
    MainWindow window(controller, session, inputChoice);
    window.CentreOnWorkArea();
    window.show();

    DemoRoad road(window, session, options);
    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        status = road.Run();
        if (status != 0) {
            QApplication::exit(status);
        }
    });
    const int loopStatus = QApplication::exec();
    return status != 0 ? status : loopStatus;
}
