// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's record menu: a stored record as a PDF report, a CSV of its trace or its
// audio, and the record folder. Everything is read from the archive in Data, never from the
// working files, so it never meets a running or closing capture.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QStandardPaths>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/FontSpecs.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "archive/RecordName.h"
#include "controls/RecordListDrawing.h"
#include "controls/WindowTexts.h"
#include "mainwnd/MainWindow.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "report/ExportFiles.h"
#include "report/RecordReport.h"
#include "report/ReportPdf.h"
#include "report/ReportTexts.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

// Keeps a right click from selecting a record: selecting loads it into the working files, and
// the menu needs nothing but the stored archive.
class RightClickKeeper : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
                return static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
            default:
                return false;
        }
    }
};

std::filesystem::path FsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}

report::ReportTexts CurrentReportTexts() {
    return report::LoadReportTexts([](std::string_view key) { return app::MessageText(key); },
                                   app::UiFontSpec(false).face);
}

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::HomeLocation)
                               : documents;
}

QString WithoutEllipsis(QString text) {
    while (text.endsWith(QChar(0x2026)) || text.endsWith(QLatin1Char('.'))) {
        text.chop(1);
    }
    return text;
}

constexpr const char* kPaperSpeedValue = "PaperSpeed";

// The save dialog's choice of a PDF's paper speed.
QString PaperSpeedFilter(report::PaperSpeed speed) {
    return Message(speed == report::PaperSpeed::ThreeCmPerMinute ? "ExportPdfSpeed3"
                                                                 : "ExportPdfSpeed1") +
           QStringLiteral(" (*.pdf)");
}

struct ExportKind {
    const char* extension;
    const char* menuKey;
    const char* filter;
};

// A report's filter offers the paper speeds instead.
constexpr ExportKind kPdf{"pdf", "MenuExportPdf", nullptr};
constexpr ExportKind kCsv{"csv", "MenuExportCsv", "CSV (*.csv)"};
constexpr ExportKind kWav{"wav", "MenuSaveAudio", "WAV (*.wav)"};

}  // namespace

void MainWindow::InstallRecordMenu() {
    m_recordList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_recordList->viewport()->installEventFilter(new RightClickKeeper(m_recordList));
    connect(m_recordList, &QWidget::customContextMenuRequested, this, &MainWindow::OpenRecordMenu);
}

void MainWindow::OpenRecordMenu(const QPoint& viewportPos) {
    const QListWidgetItem* item = m_recordList->itemAt(viewportPos);
    if (item == nullptr) {
        return;
    }
    const std::string file = RecordOfItem(*item).fileName;
    QMenu menu(this);
    const QAction* pdf = menu.addAction(Message(kPdf.menuKey));
    const QAction* csv = menu.addAction(Message(kCsv.menuKey));
    const QAction* wav = menu.addAction(Message(kWav.menuKey));
    menu.addSeparator();
    const QAction* folder = menu.addAction(Message("MenuShowInFolder"));
    const QAction* chosen = RunMenu(menu, m_recordList->viewport()->mapToGlobal(viewportPos));
    if (chosen == nullptr) {
        return;
    }
    if (chosen == folder) {
        OpenOrTellWhere(RecordFolder().string(), m_session.WorkFolder());
    } else if (chosen == pdf) {
        ExportRecord(file, kPdf.extension);
    } else if (chosen == csv) {
        ExportRecord(file, kCsv.extension);
    } else if (chosen == wav) {
        ExportRecord(file, kWav.extension);
    }
}

QString MainWindow::AskSavePath(const QString& caption, const QString& fileName,
                                const QString& filter, QString& selectedFilter) {
    const QString suggested = DocumentsFolder() + QLatin1Char('/') + fileName;
    if (m_saveDialogHook) {
        return m_saveDialogHook(caption, suggested, filter, selectedFilter);
    }
    return QFileDialog::getSaveFileName(this, caption, suggested, filter, &selectedFilter);
}

void MainWindow::ExportRecord(const std::string& bareFileName, const char* extension) {
    const std::string kind(extension);
    const ExportKind& what = kind == kPdf.extension ? kPdf : kind == kCsv.extension ? kCsv : kWav;
    const report::ReportTexts texts = CurrentReportTexts();
    // By the name's bytes, as the record is loaded: its shown text need not be its name.
    const std::filesystem::path archive = RecordFolder() / bareFileName;
    std::string error;
    // The trace is small; reading it first checks the record and gives the recording's start
    // for the file name. The audio is unpacked only once a target has been chosen.
    const std::optional<report::RecordReport> record =
        report::ReadRecordReport(archive, texts.recordWords, error);
    if (!record) {
        ShowMessage(MessageKind::Error,
                    Message("ExportUnreadable") + QLatin1Char('\n') + FromUtf8(error));
        return;
    }
    // A report's paper speed is chosen in the save dialog, the last choice offered first.
    const report::PaperSpeed lastSpeed = m_store->Read(kPaperSpeedValue).value_or("1") == "3"
                                             ? report::PaperSpeed::ThreeCmPerMinute
                                             : report::PaperSpeed::OneCmPerMinute;
    const QString threeCm = PaperSpeedFilter(report::PaperSpeed::ThreeCmPerMinute);
    const QString filter = &what == &kPdf ? PaperSpeedFilter(report::PaperSpeed::OneCmPerMinute) +
                                                QStringLiteral(";;") + threeCm
                                          : QString::fromLatin1(what.filter);
    QString chosenFilter = &what == &kPdf ? PaperSpeedFilter(lastSpeed) : filter;
    const QString target = AskSavePath(
        WithoutEllipsis(Message(what.menuKey)),
        FromUtf8(report::ExportFileName(record->facts, what.extension)), filter, chosenFilter);
    if (target.isEmpty()) {
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool written = false;
    if (&what == &kPdf) {
        report::ReportOptions options;
        options.speed = chosenFilter == threeCm ? report::PaperSpeed::ThreeCmPerMinute
                                                : report::PaperSpeed::OneCmPerMinute;
        m_store->Write(kPaperSpeedValue,
                       options.speed == report::PaperSpeed::ThreeCmPerMinute ? "3" : "1");
        options.pageSize = report::PageSizeForLocale(QLocale::system());
        written = report::WritePdfReport(FsPath(target), record->facts, record->trace, texts,
                                         options, error, report::CheckRecordAudio(*record));
    } else if (&what == &kCsv) {
        written = report::WriteCsvReport(*record, FsPath(target), error);
    } else {
        written = report::SaveArchivedAudio(archive, FsPath(target), error);
    }
    QApplication::restoreOverrideCursor();
    if (!written) {
        ShowMessage(MessageKind::Error,
                    Message("ExportFailed") + QLatin1Char('\n') + FromUtf8(error));
        return;
    }
    const QString shown = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
    if (ShowMessageOffering(MessageKind::Information,
                            Message("ExportSaved") + QLatin1Char('\n') + shown,
                            Message("MenuShowInFolder"))) {
        OpenOrTellWhere(QFileInfo(target).absolutePath().toStdString(), {});
    }
}

void MainWindow::OpenOrTellWhere(const std::string& addressOrPath,
                                 const std::filesystem::path& baseFolder) {
    const QString where = FromUtf8(platform::Shell::Where(addressOrPath, baseFolder));
    const auto tellWhere = [this, where] {
        ShowMessage(MessageKind::Warning, Message("OpenFailed") + QLatin1Char('\n') + where);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = platform::Shell::Open(addressOrPath, baseFolder, this, tellWhere);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        tellWhere();
    }
}

}  // namespace marulo::mainwnd
