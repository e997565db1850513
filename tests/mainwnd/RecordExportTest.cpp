// SPDX-License-Identifier: GPL-3.0-or-later
// The record list's menu, driven through the window as a user drives it.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdlib>
#include <functional>

#include "controls/SkinnedButton.h"
#include "dialogs/MotherListDialog.h"
#include "platform/Shell.h"
#include "tests/mainwnd/MainWindowFixture.h"
#include "tests/report/StoredRecords.h"

namespace marulo::testing {
namespace {

namespace fs = std::filesystem;
using mainwnd::MessageKind;

const char* const kRecord = "Anna_20100512_20100209153045123.zip";

class RecordExportTest : public MainWindowTestBase {
protected:
    void SetUp() override {
        MainWindowTestBase::SetUp();
        // Save dialogs start in the documents folder of a home of the test's own.
        m_home = qgetenv("HOME");
        m_configHome = qgetenv("XDG_CONFIG_HOME");
        fs::create_directories(m_folder / "home");
        qputenv("HOME", QByteArray::fromStdString((m_folder / "home").string()));
        qunsetenv("XDG_CONFIG_HOME");
        fs::create_directories(m_folder / "out");
        platform::Shell::SetOpenHandlerForTesting([this](const QUrl& url) {
            m_opened.push_back(url);
            return m_desktopOpens;
        });
    }
    void TearDown() override {
        platform::Shell::SetOpenHandlerForTesting({});
        qputenv("HOME", m_home);
        if (m_configHome.isEmpty()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", m_configHome);
        }
        MainWindowTestBase::TearDown();
    }

    // A window listing Anna's one record of ten minutes.
    void OpenWithRecord() {
        StoreRecord(kRecord);
        OpenWindow();
        NameBoxOf(*m_window)->setText("Anna");
        ProfileOf(*m_window).SetEdcText("2010-05-12");
        RecordsOf(*m_window).RefreshRecordList();
        m_window->show();
        ASSERT_EQ(RecordListOf(*m_window)->count(), 1);
        AnswerMenusAndDialogs();
    }

    void StoreRecord(const std::string& bareFileName) {
        m_trace.assign(600, 140);
        std::fill(m_trace.begin() + 100, m_trace.begin() + 160, 0);
        WriteRecord(m_folder / "Data" / bareFileName, m_trace, 1.5);
    }

    void AnswerMenusAndDialogs() {
        m_window->Prompts().SetMenuHook([this](QMenu& menu, const QPoint&) -> QAction* {
            m_menuTexts.clear();
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions()) {
                if (!action->isSeparator()) {
                    m_menuTexts.push_back(action->text());
                }
                if (action->text() == m_choose) {
                    chosen = action;
                }
            }
            return chosen;
        });
        m_window->Prompts().SetSaveDialogHook(
            [this](const QString& caption, const QString& suggested, const QString& filter,
                   QString& selectedFilter) {
                m_dialogs.push_back({caption, suggested, filter, selectedFilter});
                if (!m_chooseFilter.isEmpty()) {
                    selectedFilter = m_chooseFilter;
                }
                return m_savePath;
            });
    }

    // The menu key on the record: the menu opens at the current item.
    void MenuKeyOnRecord(const QString& choose) {
        m_choose = choose;
        QListWidget* list = RecordListOf(*m_window);
        const QRect item = list->visualItemRect(list->item(0));
        QContextMenuEvent event(QContextMenuEvent::Keyboard, item.center(),
                                list->viewport()->mapToGlobal(item.center()));
        QApplication::sendEvent(list->viewport(), &event);
    }

    // Every export that was started ends in a message, off the window's thread meanwhile.
    bool ExportEnded() {
        return WaitFor([this] { return !m_messages.empty(); });
    }

    bool WorkingFilesUntouched() const {
        return !fs::exists(m_folder / "Data.wav") && !fs::exists(m_folder / "Data.hr");
    }

    struct SaveDialog {
        QString caption, suggested, filter, offeredFilter;
    };
    QString m_chooseFilter;
    std::vector<std::int32_t> m_trace;
    std::vector<QString> m_menuTexts;
    QString m_choose;
    QString m_savePath;
    std::vector<SaveDialog> m_dialogs;
    std::vector<QUrl> m_opened;
    bool m_desktopOpens = true;
    QByteArray m_home;
    QByteArray m_configHome;
};

TEST_F(RecordExportTest, MenuTextsComeFromEachLanguage) {
    OpenWithRecord();
    const struct {
        const char* file;
        std::vector<QString> texts;
    } cases[] = {
        {"English.ini",
         {"Export report (PDF)…", "Export heart rate (CSV)…", "Save audio (WAV)…", "Show in folder",
          "Delete (to the trash)"}},
        {"German.ini",
         {"Bericht exportieren (PDF)…", "Herzfrequenz exportieren (CSV)…", "Ton speichern (WAV)…",
          "Im Ordner zeigen", "Löschen (in den Papierkorb)"}},
        {"Chinese.ini",
         {"导出报告 (PDF)…", "导出心率 (CSV)…", "保存音频 (WAV)…", "在文件夹中显示",
          "删除（移到回收站）"}},
    };
    for (const auto& c : cases) {
        fs::copy_file(fs::path(MARULO_SOURCE_DIR) / "res" / "lang" / c.file, m_folder / "Conf.ini",
                      fs::copy_options::overwrite_existing);
        MenuKeyOnRecord({});
        EXPECT_EQ(m_menuTexts, c.texts) << c.file;
    }
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(WorkingFilesUntouched()) << "opening the menu unpacks nothing";
}

TEST_F(RecordExportTest, RightClickOpensTheMenuWithoutLoadingTheRecord) {
    OpenWithRecord();
    QListWidget* list = RecordListOf(*m_window);
    const auto rightClick = [list](const QPoint& at) {
        // The button itself, then the menu request the window system sends after it.
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
        Pump();
    };
    const QRect item = list->visualItemRect(list->item(0));
    rightClick(item.center());
    EXPECT_EQ(m_menuTexts.size(), 5U) << "the menu opened";
    // Selecting would load the record into the working files.
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_TRUE(WorkingFilesUntouched());
    // Beside the items there is no record to work on.
    m_menuTexts.clear();
    rightClick(QPoint(item.center().x(), item.bottom() + 20));
    EXPECT_TRUE(m_menuTexts.empty());
}

TEST_F(RecordExportTest, ExportsWriteWhatTheArchiveHolds) {
    OpenWithRecord();
    const QString documents = QString::fromStdString((m_folder / "home" / "Documents").string());
    const struct {
        const char* entry;
        const char* file;
        const char* suggested;
        const char* filter;
    } cases[] = {
        {"Export report (PDF)…", "r.pdf", "/Anna 26wk 6d 2010-02-09 15.30.45.pdf",
         "PDF report, paper speed 1 cm/min (*.pdf);;PDF report, paper speed 3 cm/min (*.pdf)"},
        {"Export heart rate (CSV)…", "r.csv", "/Anna 26wk 6d 2010-02-09 15.30.45.csv",
         "CSV (*.csv)"},
        {"Save audio (WAV)…", "r.wav", "/Anna 26wk 6d 2010-02-09 15.30.45.wav", "WAV (*.wav)"},
    };
    for (const auto& c : cases) {
        m_dialogs.clear();
        m_messages.clear();
        m_savePath = QString::fromStdString((m_folder / "out" / c.file).string());
        MenuKeyOnRecord(QString::fromUtf8(c.entry));
        ASSERT_TRUE(ExportEnded()) << c.entry;
        ASSERT_EQ(m_dialogs.size(), 1U) << c.entry;
        EXPECT_EQ(m_dialogs[0].suggested, documents + c.suggested);
        EXPECT_EQ(m_dialogs[0].filter, c.filter);
        EXPECT_FALSE(m_dialogs[0].caption.endsWith(QChar(0x2026))) << c.entry;
        ASSERT_EQ(m_messages.size(), 1U) << c.entry;
        EXPECT_EQ(m_messages[0].first, MessageKind::Information);
        EXPECT_EQ(m_messages[0].second, Text("ExportSaved") + "\n" + m_savePath);
    }
    EXPECT_EQ(ReadBytes(m_folder / "out" / "r.pdf").substr(0, 5), "%PDF-");
    EXPECT_EQ(ReadBytes(m_folder / "out" / "r.wav"), WavBytes(1.5));
    const std::string csv = ReadBytes(m_folder / "out" / "r.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 601);
    EXPECT_NE(csv.find("\r\n100,15:22:25,,,,,,2010-02-09,,\r\n"), std::string::npos);
    EXPECT_NE(csv.find("\r\n599,15:30:44,140,,,,,2010-02-09,,\r\n"), std::string::npos);
    EXPECT_TRUE(WorkingFilesUntouched());
}

// The save dialog opens in the user's documents folder as the desktop names it, made when it is
// not there yet: a dialog given a folder that does not exist opens in the current one.
TEST_F(RecordExportTest, TheSaveDialogStartsInTheDocumentsFolder) {
    OpenWithRecord();
    const fs::path home = m_folder / "home";
    const struct {
        const char* desktop;
        std::function<void()> prepare;
        fs::path folder;
    } cases[] = {
        {"no documents folder yet", [] {}, home / "Documents"},
        {"documents folder named by the desktop",
         [&home] {
             fs::create_directories(home / ".config");
             std::ofstream(home / ".config" / "user-dirs.dirs")
                 << "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n";
         },
         home / "Dokumente"},
        {"documents folder cannot be made",
         [&home] {
             fs::remove_all(home);
             fs::create_directories(home);
             std::ofstream(home / "Documents") << "a file in the way";
         },
         home},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desktop);
        c.prepare();
        m_dialogs.clear();
        m_savePath.clear();
        MenuKeyOnRecord("Export heart rate (CSV)…");
        ASSERT_EQ(m_dialogs.size(), 1U);
        EXPECT_EQ(m_dialogs[0].suggested, QString::fromStdString(c.folder.string()) +
                                              "/Anna 26wk 6d 2010-02-09 15.30.45.csv");
        EXPECT_TRUE(fs::is_directory(c.folder));
    }
}

// The export button under the chart offers the shown record's exports, by mouse or keyboard;
// with no record shown it cannot be used.
TEST_F(RecordExportTest, TheExportButtonExportsTheShownRecord) {
    OpenWithRecord();
    auto* button = ControlOf<controls::SkinnedButton>(*m_window, controls::kExportButtonId);
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    EXPECT_FALSE(button->isEnabled()) << "no record shown";
    EXPECT_EQ(button->text(), Text("ExportButton"));
    EXPECT_EQ(button->toolTip(), Text("TipExport"));
    RecordListOf(*m_window)->setCurrentRow(0);
    ASSERT_TRUE(button->isEnabled());
    m_savePath = QString::fromStdString((m_folder / "out" / "r.csv").string());
    m_choose = "Export heart rate (CSV)…";
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_EQ(m_menuTexts, (std::vector<QString>{"Export report (PDF)…", "Export heart rate (CSV)…",
                                                 "Save audio (WAV)…"}));
    ASSERT_TRUE(ExportEnded());
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].second, Text("ExportSaved") + "\n" + m_savePath);
    EXPECT_TRUE(fs::exists(m_folder / "out" / "r.csv"));

    // The live view takes the chart's place: nothing left to export.
    RecordsOf(*m_window).ShowRecord(-1);
    EXPECT_FALSE(button->isEnabled());
}

// A mother's name kept in bytes that are no UTF-8 (typed in another code page) is shown with a
// replacement character; its record is still found by its bytes.
TEST_F(RecordExportTest, ARecordWhoseNameIsNoUtf8Exports) {
    StoreRecord("\xC9lise_20100512_20100209153045123.zip");
    OpenWindow();
    m_window->show();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->MotherList()->setCurrentRow(0);
        dialog->accept();
    });
    QTest::mouseClick(ControlOf(*m_window, controls::kMotherListButtonId), Qt::LeftButton);
    ASSERT_EQ(RecordListOf(*m_window)->count(), 1);
    AnswerMenusAndDialogs();
    m_savePath = QString::fromStdString((m_folder / "out" / "r.csv").string());
    MenuKeyOnRecord("Export heart rate (CSV)…");
    ASSERT_TRUE(ExportEnded());
    ASSERT_EQ(m_dialogs.size(), 1U);
    EXPECT_TRUE(m_dialogs[0].suggested.endsWith(
        QString::fromUtf8("/\xEF\xBF\xBDlise 26wk 6d 2010-02-09 15.30.45.csv")));
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].first, MessageKind::Information) << m_messages[0].second.toStdString();
    const std::string csv = ReadBytes(m_folder / "out" / "r.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 601);
}

TEST_F(RecordExportTest, CancelWritesNothingAndFailuresAreTold) {
    OpenWithRecord();
    m_savePath.clear();
    MenuKeyOnRecord("Export report (PDF)…");
    EXPECT_EQ(m_dialogs.size(), 1U);
    EXPECT_TRUE(m_messages.empty());
    EXPECT_TRUE(fs::is_empty(m_folder / "out"));

    m_savePath = QString::fromStdString((m_folder / "missing" / "r.csv").string());
    MenuKeyOnRecord("Export heart rate (CSV)…");
    ASSERT_TRUE(ExportEnded());
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].first, MessageKind::Error);
    EXPECT_TRUE(m_messages[0].second.startsWith(Text("ExportFailed") + "\n"));
    EXPECT_FALSE(fs::exists(m_folder / "missing"));

    // A record damaged after it was listed: told before any dialog.
    WriteBytes(m_folder / "Data" / kRecord, "no archive");
    m_dialogs.clear();
    m_messages.clear();
    MenuKeyOnRecord("Save audio (WAV)…");
    EXPECT_TRUE(m_dialogs.empty());
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_TRUE(m_messages[0].second.startsWith(Text("ExportUnreadable") + "\n"));
    EXPECT_TRUE(fs::is_empty(m_folder / "out"));
}

// The window answers while an export runs; its progress dialog's Cancel drops the export, which
// then tells nothing, and the next export goes ahead.
TEST_F(RecordExportTest, AnExportRunsOffTheWindowAndItsCancelTellsNothing) {
    OpenWithRecord();
    m_savePath = QString::fromStdString((m_folder / "out" / "r.pdf").string());
    MenuKeyOnRecord("Export report (PDF)…");
    auto* progress = m_window->findChild<QProgressDialog*>();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowModality(), Qt::WindowModal);
    EXPECT_EQ(progress->labelText(), Text("ExportProgress"));
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->click();
    QPointer<QProgressDialog> gone(progress);
    ASSERT_TRUE(WaitFor([&gone] { return gone.isNull() || !gone->isVisible(); }));
    m_savePath = QString::fromStdString((m_folder / "out" / "r.csv").string());
    MenuKeyOnRecord("Export heart rate (CSV)…");
    ASSERT_TRUE(ExportEnded());
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].second, Text("ExportSaved") + "\n" + m_savePath);
}

TEST_F(RecordExportTest, FoldersAndHomepageSayWhereTheyAreWhenNothingOpensThem) {
    OpenWithRecord();
    const QString dataFolder = QString::fromStdString((m_folder / "Data").string());
    MenuKeyOnRecord("Show in folder");
    ASSERT_EQ(m_opened.size(), 1U);
    EXPECT_EQ(m_opened[0].toLocalFile(), dataFolder);
    EXPECT_TRUE(m_messages.empty());

    m_desktopOpens = false;
    MenuKeyOnRecord("Show in folder");
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].first, MessageKind::Warning);
    EXPECT_EQ(m_messages[0].second, Text("OpenFailed") + "\n" + dataFolder);

    m_messages.clear();
    StripOf(*m_window).OpenHomepage();
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].second,
              Text("OpenFailed") + "\n" +
                  QString::fromStdString((m_folder / "guide/user-guide.html").string()));

    // The mother list's folder button, from inside the dialog.
    m_messages.clear();
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->FolderButton()->click();
        dialog->reject();
    });
    ProfileOf(*m_window).OpenMotherList();
    ASSERT_EQ(m_messages.size(), 1U);
    EXPECT_EQ(m_messages[0].second, Text("OpenFailed") + "\n" + dataFolder);
}

// The pages a PDF file holds.
int PdfPages(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1)) {
        pages += pdf.compare(at, 12, "/Type /Pages") != 0 ? 1 : 0;
    }
    return pages;
}

TEST_F(RecordExportTest, TheReportsPaperSpeedIsChosenWhenSavingAndRemembered) {
    OpenWithRecord();
    const QString oneCm = "PDF report, paper speed 1 cm/min (*.pdf)";
    const QString threeCm = "PDF report, paper speed 3 cm/min (*.pdf)";
    m_savePath = QString::fromStdString((m_folder / "out" / "r.pdf").string());
    const struct {
        QString choose;  // empty: what is offered
        QString offered;
        int pages;  // ten minutes: 10 cm on one page, 30 cm on two
        const char* stored;
    } saves[] = {
        {{}, oneCm, 1, "1"},
        {threeCm, oneCm, 2, "3"},
        {{}, threeCm, 2, "3"},
        {oneCm, threeCm, 1, "1"},
    };
    for (const auto& save : saves) {
        SCOPED_TRACE(save.pages);
        m_dialogs.clear();
        m_chooseFilter = save.choose;
        m_messages.clear();
        MenuKeyOnRecord("Export report (PDF)…");
        ASSERT_TRUE(ExportEnded());
        ASSERT_EQ(m_dialogs.size(), 1U);
        EXPECT_EQ(m_dialogs[0].offeredFilter, save.offered);
        EXPECT_EQ(PdfPages(ReadBytes(m_folder / "out" / "r.pdf")), save.pages);
        EXPECT_EQ(m_store->Read("PaperSpeed"), save.stored);
    }

    // The saved box's own button shows the folder; the box comes once the export is written.
    m_window->Prompts().SetMessageHook({});
    QTimer boxWatch;
    boxWatch.setInterval(5);
    QObject::connect(&boxWatch, &QTimer::timeout, [this, &boxWatch] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        boxWatch.stop();
        EXPECT_EQ(box->text(), Text("ExportSaved") + "\n" +
                                   QString::fromStdString((m_folder / "out" / "r.pdf").string()));
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == "Show in folder") {
                button->click();
            }
        }
    });
    boxWatch.start();
    m_opened.clear();
    MenuKeyOnRecord("Export report (PDF)…");
    ASSERT_TRUE(WaitFor([this] { return !m_opened.empty(); }));
    ASSERT_EQ(m_opened.size(), 1U);
    EXPECT_EQ(m_opened[0].toLocalFile(), QString::fromStdString((m_folder / "out").string()));
}

// A desktop whose launcher finds no program: it starts, then exits with 3 as xdg-open does.
TEST_F(RecordExportTest, ALauncherThatFindsNoProgramIsToldWithWhereItIs) {
    const fs::path bin = m_folder / "bin";
    fs::create_directories(bin);
    const fs::path launched = m_folder / "launched.txt";
    std::ofstream(bin / "xdg-open")
        << "#!/bin/sh\necho \"$1\" >> '" << launched.string() << "'\nexit 3\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") == nullptr ? "" : std::getenv("PATH");
    ::setenv("PATH", (bin.string() + ":" + path).c_str(), 1);
    platform::Shell::SetOpenHandlerForTesting({});
    OpenWithRecord();
    fs::create_directories(m_folder / "guide");
    std::ofstream(m_folder / "guide" / "user-guide.html") << "guide";
    const QString dataFolder = QString::fromStdString((m_folder / "Data").string());
    const QString guide = QString::fromStdString((m_folder / "guide/user-guide.html").string());
    const struct {
        const char* road;
        std::function<void()> open;
        QString where;
    } roads[] = {
        {"record menu", [this] { MenuKeyOnRecord("Show in folder"); }, dataFolder},
        {"guide button",
         [this] {
             QTest::mouseClick(ControlOf(*m_window, controls::kHomepageButtonId), Qt::LeftButton);
         },
         guide},
        {"mother list folder button",
         [this] {
             QTimer::singleShot(0, [] {
                 auto* dialog =
                     qobject_cast<dialogs::MotherListDialog*>(QApplication::activeModalWidget());
                 ASSERT_NE(dialog, nullptr);
                 dialog->FolderButton()->click();
                 dialog->reject();
             });
             ProfileOf(*m_window).OpenMotherList();
         },
         dataFolder},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.road);
        m_messages.clear();
        road.open();
        EXPECT_TRUE(WaitFor([this] { return !m_messages.empty(); }));
        ASSERT_EQ(m_messages.size(), 1U);
        EXPECT_EQ(m_messages[0].first, MessageKind::Warning);
        EXPECT_EQ(m_messages[0].second, Text("OpenFailed") + "\n" + road.where);
    }
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(ReadBytes(launched), (m_folder / "Data").string() + "\n" + guide.toStdString() +
                                       "\n" + (m_folder / "Data").string() + "\n");
}

}  // namespace
}  // namespace marulo::testing
