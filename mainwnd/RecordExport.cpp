// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's record menu: a stored record as a PDF report, a CSV of its trace or its
// audio, and the record folder. Everything is read from the archive in Data, never from the
// working files, so it never meets a running or closing capture; the writing runs off the
// window's thread.
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
#include <vector>

#include "app/FontSpecs.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "archive/RecordName.h"
#include "controls/RecordListDrawing.h"
#include "controls/WindowTexts.h"
#include "mainwnd/ExportRunner.h"
#include "mainwnd/MainWindow.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"
#include "report/ExportFiles.h"
#include "report/RecordReport.h"
#include "report/ReportPdf.h"
#include "report/ReportTexts.h"
#include "review/ReviewModel.h"

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
    m_exports = new ExportRunner(*this);
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
    const QAction* chosen =
        m_prompts.RunMenu(menu, m_recordList->viewport()->mapToGlobal(viewportPos));
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
        m_prompts.ShowMessage(MessageKind::Error,
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
    const QString target =
        m_prompts.AskSavePath(WithoutEllipsis(Message(what.menuKey)),
                              DocumentsFolder() + QLatin1Char('/') +
                                  FromUtf8(report::ExportFileName(record->facts, what.extension)),
                              filter, chosenFilter);
    if (target.isEmpty()) {
        return;
    }
    // The record under review brings its check along; any other is checked by the export.
    std::optional<std::optional<std::vector<ratecheck::SecondCheck>>> known =
        m_review->ReportChecksFor(archive);
    ExportRunner::Work work;
    if (&what == &kPdf) {
        report::ReportOptions options;
        options.speed = chosenFilter == threeCm ? report::PaperSpeed::ThreeCmPerMinute
                                                : report::PaperSpeed::OneCmPerMinute;
        m_store->Write(kPaperSpeedValue,
                       options.speed == report::PaperSpeed::ThreeCmPerMinute ? "3" : "1");
        options.pageSize = report::PageSizeForLocale(QLocale::system());
        work = PdfExport(*record, std::move(known), texts, options, FsPath(target));
    } else if (&what == &kCsv) {
        work = CsvExport(*record, std::move(known), FsPath(target));
    } else {
        work = WavExport(archive, FsPath(target));
    }
    m_exports->Start(std::move(work), [this, target](const ExportRunner::Outcome& outcome) {
        if (!outcome.written) {
            m_prompts.ShowMessage(MessageKind::Error, Message("ExportFailed") + QLatin1Char('\n') +
                                                          FromUtf8(outcome.error));
            return;
        }
        const QString shown = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
        if (m_prompts.ShowMessageOffering(MessageKind::Information,
                                          Message("ExportSaved") + QLatin1Char('\n') + shown,
                                          Message("MenuShowInFolder"))) {
            OpenOrTellWhere(QFileInfo(target).absolutePath().toStdString(), {});
        }
    });
}

void MainWindow::OpenOrTellWhere(const std::string& addressOrPath,
                                 const std::filesystem::path& baseFolder) {
    const QString where = FromUtf8(platform::Shell::Where(addressOrPath, baseFolder));
    const auto tellWhere = [this, where] {
        m_prompts.ShowMessage(MessageKind::Warning,
                              Message("OpenFailed") + QLatin1Char('\n') + where);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = platform::Shell::Open(addressOrPath, baseFolder, this, tellWhere);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        tellWhere();
    }
}

}  // namespace marulo::mainwnd
