// SPDX-License-Identifier: GPL-3.0-or-later
// The record menu reads everything from the archive in Data, never from the working files, so it
// never meets a running or closing capture; the writing runs off the window's thread.
#include "mainwnd/RecordsPanel.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QKeySequence>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <chrono>
#include <optional>
#include <utility>
#include <vector>

#include "app/FontSpecs.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "archive/RecordArchive.h"
#include "archive/RecordItemTexts.h"
#include "archive/RecordName.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowLayout.h"
#include "controls/WindowTexts.h"
#include "jobs/LatestJob.h"
#include "jobs/QtPost.h"
#include "mainwnd/ControlPlacement.h"
#include "mainwnd/ExportRunner.h"
#include "mainwnd/ShellOpen.h"
#include "mainwnd/UserPrompts.h"
#include "platform/SettingsStore.h"
#include "report/ExportFiles.h"
#include "report/RecordReport.h"
#include "report/ReportPdf.h"
#include "report/ReportTexts.h"
#include "review/RecordSummary.h"
#include "review/ReviewModel.h"
#include "session/MonitoringSession.h"
#include "views/ReviewBinding.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

// The text that tells why a record cannot be shown in full; none for a superseded load.
const char* RecordProblemMessageKey(archive::RecordProblem problem) {
    switch (problem) {
        case archive::RecordProblem::None:
        case archive::RecordProblem::Cancelled:
            return nullptr;
        case archive::RecordProblem::Unreadable:
            return "RecordUnreadable";
        case archive::RecordProblem::NoAudio:
            return "RecordNoAudio";
        case archive::RecordProblem::NoTrace:
            return "RecordNoTrace";
        case archive::RecordProblem::TooLarge:
            return "RecordTooLarge";
        case archive::RecordProblem::NoSpace:
            return "RecordNoSpace";
        case archive::RecordProblem::WriteFailed:
            return "RecordWriteFailed";
    }
    return "RecordUnreadable";
}

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

// How long the undo of a deletion is offered; the record stays in the trash afterwards.
constexpr std::chrono::seconds kUndoOffered{60};

const char* RestoreProblemKey(platform::RestoreProblem problem) {
    switch (problem) {
        case platform::RestoreProblem::None:
            return nullptr;
        case platform::RestoreProblem::OriginalTaken:
            return "TrashRestoreTaken";
        case platform::RestoreProblem::GoneFromTrash:
            return "TrashRestoreGone";
        case platform::RestoreProblem::Failed:
            return "TrashRestoreFailed";
    }
    return "TrashRestoreFailed";
}

using SummaryList = std::vector<std::pair<std::string, std::optional<archive::RecordSummary>>>;

}  // namespace

RecordsPanel::RecordsPanel(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                           session::MonitoringSession& session, views::ReviewView& review,
                           ProfileSource profile)
    : QObject(&window),
      m_window(window),
      m_prompts(prompts),
      m_store(store),
      m_session(session),
      m_profile(std::move(profile)) {
    m_list = new QListWidget(&window);
    m_list->setSortingEnabled(true);
    m_list->setUniformItemSizes(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setItemDelegate(new RecordListDelegate(m_list));
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    m_exports = new ExportRunner(window);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->viewport()->installEventFilter(new RightClickKeeper(m_list));
    connect(m_list, &QWidget::customContextMenuRequested, this, &RecordsPanel::OpenRecordMenu);
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] { ShowSelectedRecord(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &RecordsPanel::OnDoubleClicked);
    PlaceControl(*m_list, kRecordListId);
    m_review = std::make_unique<review::ReviewModel>(m_session.WorkFolder(),
                                                     m_session.WorkingFiles(), jobs::PostTo(this));
    m_binding = std::make_unique<views::ReviewBinding>(*m_review, review);
    m_binding->SetLoaded([this](archive::RecordProblem problem) { OnRecordLoaded(problem); });
    const SkinnedButton::StateSource state = [] { return ButtonState{}; };
    PlaceButton(window, m_deleteButton, kDeleteRecordButtonId, state,
                [this] { DeleteRecord(m_list->currentRow()); });
    PlaceButton(window, m_undoButton, kUndoDeleteButtonId, state, [this] { UndoDelete(); });
    m_deleteButton->SetTipSource([] { return Message("TipDeleteRecord"); });
    m_undoButton->SetTipSource([] { return Message("TipUndoDelete"); });
    m_undoButton->hide();
    m_undoOffer.setSingleShot(true);
    m_undoOffer.setInterval(kUndoOffered);
    connect(&m_undoOffer, &QTimer::timeout, this, &RecordsPanel::EndUndoOffer);
    ApplyButtonTexts();
    m_summaryJob = std::make_unique<jobs::LatestJob>(jobs::PostTo(this));
}

RecordsPanel::~RecordsPanel() = default;

std::vector<QWidget*> RecordsPanel::FocusOrder() const {
    return {m_list, m_deleteButton, m_undoButton};
}

void RecordsPanel::ApplyButtonTexts() {
    m_deleteButton->setText(Message("DeleteButton"));
    m_undoButton->setText(Message("UndoDeleteButton"));
    m_deleteButton->RefreshTip();
    m_undoButton->RefreshTip();
}

std::filesystem::path RecordsPanel::RecordFolder() const {
    return m_session.WorkFolder() / archive::RecordFolder;
}

void RecordsPanel::OnRecordLoaded(archive::RecordProblem problem) {
    emit playableChanged(problem == archive::RecordProblem::None ||
                         problem == archive::RecordProblem::NoTrace);
    if (const char* key = RecordProblemMessageKey(problem)) {
        const bool partial = problem == archive::RecordProblem::NoAudio ||
                             problem == archive::RecordProblem::NoTrace;
        m_prompts.ShowMessage(partial ? MessageKind::Warning : MessageKind::Error, Message(key));
    } else if (m_review->EventsProblem() != archive::EventsProblem::None) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("EventsDamaged"));
    }
}

void RecordsPanel::ShowRecord(int index) {
    const QListWidgetItem* item = index >= 0 ? m_list->item(index) : nullptr;
    // Someone else holding the working files refuses the record without a word, as a closing run
    // does.
    if (item != nullptr && !m_binding->Load(RecordFolder() / RecordOfItem(*item).fileName)) {
        item = nullptr;
    }
    if (item == nullptr) {
        m_binding->Clear();
    }
    emit playableChanged(item != nullptr);
    {
        const QSignalBlocker quiet(m_list);
        if (item == nullptr) {
            Deselect();
        } else {
            m_list->setCurrentRow(index);
        }
    }
    emit shownRecordChanged();
}

void RecordsPanel::OnMotherChanged() {
    // The record shown from the old list, and its playback, end with it. A running or closing run
    // keeps its live chart.
    if (!m_session.HoldsWorkingFiles() && SelectedIndex() >= 0) {
        ShowRecord(-1);
    }
    RefreshRecordList();
}

int RecordsPanel::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->row(selected.front());
}

void RecordsPanel::Deselect() {
    const QSignalBlocker quiet(m_list);
    m_list->clearSelection();
    m_list->setCurrentRow(-1);
}

bool RecordsPanel::ShowSelectedRecord() {
    const int index = SelectedIndex();
    if (m_session.IsRunning()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        Deselect();
        return false;
    }
    // A run that is still closing owns the working files until its record is stored, which
    // refills the list; until then a selection is dropped without a word.
    if (m_session.HoldsWorkingFiles()) {
        Deselect();
        return false;
    }
    ShowRecord(index);
    return true;
}

void RecordsPanel::OnDoubleClicked() {
    if (ShowSelectedRecord()) {
        emit playFromStartAsked();
    }
}

void RecordsPanel::RefreshRecordList() {
    const int selectedIndex = SelectedIndex();
    const std::string shown =
        selectedIndex >= 0 ? RecordOfItem(*m_list->item(selectedIndex)).fileName : std::string();
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    const Profile profile = m_profile();
    QListWidgetItem* stillShown = nullptr;
    for (const std::string& file :
         archive::ListRecordFiles(RecordFolder(), profile.name, profile.edc)) {
        // Shown with replacement characters where the bytes are no UTF-8, found by its bytes.
        auto* item = new QListWidgetItem(QString::fromStdString(file), m_list);
        const archive::RecordIdentity record = archive::ReadRecordIdentity(file);
        item->setData(kRecordIdentityRole, QVariant::fromValue(record));
        if (!shown.empty() && file == shown) {
            stillShown = item;
        }
    }
    // The record under review stays selected in the refilled list.
    if (stillShown != nullptr) {
        m_list->setCurrentItem(stillShown);
    }
    ApplyButtonTexts();
    ApplySummaries();
    SummarizeNext();
}

void RecordsPanel::ApplySummaries(const std::string& onlyFile) {
    const QLocale locale = UiLocale();
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem& item = *m_list->item(row);
        const archive::RecordIdentity record = RecordOfItem(item);
        if (!onlyFile.empty() && record.fileName != onlyFile) {
            continue;
        }
        const auto known = m_summaries.find(record.fileName);
        std::optional<archive::RecordSummary> summary;
        if (known != m_summaries.end() && known->second) {
            summary = known->second;
            item.setData(kRecordSummaryRole, QVariant::fromValue(*summary));
        }
        item.setData(Qt::AccessibleTextRole, RecordItemViewOf(record, summary, locale).spoken);
    }
}

void RecordsPanel::SummarizeNext() {
    const std::filesystem::path folder = RecordFolder();
    std::vector<std::string> unread;
    std::string unchecked;
    for (int row = 0; row < m_list->count(); ++row) {
        std::string file = RecordOfItem(*m_list->item(row)).fileName;
        const auto known = m_summaries.find(file);
        if (known == m_summaries.end()) {
            unread.push_back(std::move(file));
        } else if (unchecked.empty() && known->second &&
                   known->second->check == archive::SoundCheck::Pending) {
            unchecked = std::move(file);
        }
    }
    // A refill leaves the check in hand running when it is still the next one.
    if (unread.empty() && !unchecked.empty() && unchecked == m_checking && m_summaryJob->Busy()) {
        return;
    }
    m_checking.clear();
    if (!unread.empty()) {
        m_summaryJob->Start(
            [folder, unread](jobs::JobControl& control) {
                SummaryList read;
                for (const std::string& file : unread) {
                    if (control.Stale()) {
                        break;
                    }
                    read.emplace_back(file, review::ReadRecordSummary(folder / file));
                }
                return read;
            },
            [this](const SummaryList& read) {
                for (const auto& [file, summary] : read) {
                    m_summaries[file] = summary;
                }
                ApplySummaries();
                SummarizeNext();
            });
        return;
    }
    if (unchecked.empty()) {
        return;
    }
    m_checking = unchecked;
    m_summaryJob->Start(
        [path = folder / unchecked](jobs::JobControl& control) {
            return review::CheckRecordSummary(path, control.StopFlag());
        },
        [this, unchecked](std::optional<archive::RecordSummary> checked) {
            // A record that can no longer be read keeps what was known of it.
            auto& known = m_summaries[unchecked];
            if (checked) {
                known = checked;
            } else if (known) {
                known->check = archive::SoundCheck::Unavailable;
            }
            ApplySummaries(unchecked);
            SummarizeNext();
        });
}

void RecordsPanel::OpenRecordMenu(const QPoint& viewportPos) {
    const QListWidgetItem* item = m_list->itemAt(viewportPos);
    if (item == nullptr) {
        return;
    }
    const std::string file = RecordOfItem(*item).fileName;
    QMenu menu(&m_window);
    const QAction* pdf = menu.addAction(Message(kPdf.menuKey));
    const QAction* csv = menu.addAction(Message(kCsv.menuKey));
    const QAction* wav = menu.addAction(Message(kWav.menuKey));
    menu.addSeparator();
    const QAction* folder = menu.addAction(Message("MenuShowInFolder"));
    menu.addSeparator();
    const QAction* remove = menu.addAction(Message("MenuDeleteRecord"));
    const QAction* chosen = m_prompts.RunMenu(menu, m_list->viewport()->mapToGlobal(viewportPos));
    if (chosen == nullptr) {
        return;
    }
    if (chosen == remove) {
        DeleteRecord(m_list->row(item));
    } else if (chosen == folder) {
        OpenOrTellWhere(m_window, m_prompts, RecordFolder().string(), m_session.WorkFolder());
    } else if (chosen == pdf) {
        ExportRecord(file, kPdf.extension);
    } else if (chosen == csv) {
        ExportRecord(file, kCsv.extension);
    } else if (chosen == wav) {
        ExportRecord(file, kWav.extension);
    }
}

void RecordsPanel::ExportShownRecord(const char* extension) {
    const int index = SelectedIndex();
    if (index >= 0) {
        ExportRecord(RecordOfItem(*m_list->item(index)).fileName, extension);
    }
}

void RecordsPanel::ExportRecord(const std::string& bareFileName, const char* extension) {
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
    const report::PaperSpeed lastSpeed = m_store.Read(kPaperSpeedValue).value_or("1") == "3"
                                             ? report::PaperSpeed::ThreeCmPerMinute
                                             : report::PaperSpeed::OneCmPerMinute;
    const QString threeCm = PaperSpeedFilter(report::PaperSpeed::ThreeCmPerMinute);
    const QString filter = &what == &kPdf ? PaperSpeedFilter(report::PaperSpeed::OneCmPerMinute) +
                                                QStringLiteral(";;") + threeCm
                                          : QString::fromLatin1(what.filter);
    QString chosenFilter = &what == &kPdf ? PaperSpeedFilter(lastSpeed) : filter;
    const QString target = m_prompts.AskSavePath(
        WithoutEllipsis(Message(what.menuKey)),
        FromUtf8(report::ExportFileName(record->facts, what.extension)), filter, chosenFilter);
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
        m_store.Write(kPaperSpeedValue,
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
            OpenOrTellWhere(m_window, m_prompts, QFileInfo(target).absolutePath().toStdString(),
                            {});
        }
    });
}

void RecordsPanel::DeleteRecord(int index) {
    const QListWidgetItem* item = index >= 0 ? m_list->item(index) : nullptr;
    if (item == nullptr) {
        return;
    }
    const std::string file = RecordOfItem(*item).fileName;
    const bool shown = index == SelectedIndex();
    if (shown && m_playing && m_playing()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("DeleteWhilePlaying"));
        return;
    }
    // An export reads its record until it is written.
    if (m_exports->IsRunning()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("DeleteWhileSaving"));
        return;
    }
    // The review lets go of the record shown, and stops loading or checking it; the list's own
    // check of it stops too. Neither writes to the archive, and their results are dropped.
    if (shown) {
        ShowRecord(-1);
    }
    // What the list is learning may be of this record, and would arrive once it is gone; it is
    // learnt again after the list is refilled.
    m_summaryJob->Cancel();
    m_checking.clear();
    const platform::TrashResult moved = platform::MoveToTrash(RecordFolder() / file);
    if (moved.problem == platform::TrashProblem::NoTrash) {
        m_prompts.ShowMessage(MessageKind::Error, Message("TrashFailed"));
        SummarizeNext();
        return;
    }
    // A record already gone from its folder leaves the list without a word.
    if (moved.problem == platform::TrashProblem::None) {
        m_trashed.push_back(moved.file);
        m_undoButton->show();
        m_undoOffer.start();
    }
    const int row = m_list->row(item);
    RefreshRecordList();
    // The next record becomes current, without being chosen.
    if (m_list->count() > 0) {
        const QSignalBlocker quiet(m_list);
        m_list->setCurrentRow(std::min(row, m_list->count() - 1), QItemSelectionModel::NoUpdate);
    }
}

void RecordsPanel::UndoDelete() {
    if (m_trashed.empty()) {
        return;
    }
    const platform::TrashedFile last = m_trashed.back();
    m_trashed.pop_back();
    if (m_trashed.empty()) {
        EndUndoOffer();
    }
    if (const char* key = RestoreProblemKey(platform::RestoreFromTrash(last))) {
        m_prompts.ShowMessage(MessageKind::Error, Message(key));
        return;
    }
    RefreshRecordList();
    const std::string back = last.original.filename().string();
    for (int row = 0; row < m_list->count(); ++row) {
        if (RecordOfItem(*m_list->item(row)).fileName == back) {
            const QSignalBlocker quiet(m_list);
            m_list->setCurrentRow(row, QItemSelectionModel::NoUpdate);
        }
    }
}

void RecordsPanel::EndUndoOffer() {
    m_undoOffer.stop();
    m_trashed.clear();
    // The focus leaves the button before it goes, for the list.
    if (m_undoButton->hasFocus()) {
        m_list->setFocus(Qt::OtherFocusReason);
    }
    m_undoButton->hide();
}

bool RecordsPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_list == nullptr) {
        return false;
    }
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Shift+F10 is the Menu key of keyboards that lack one.
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            if (const QListWidgetItem* current = m_list->currentItem()) {
                OpenRecordMenu(m_list->visualItemRect(current).center());
            }
            return true;
        }
        if (key->key() == Qt::Key_Delete &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            DeleteRecord(m_list->currentRow());
            return true;
        }
        if (key->matches(QKeySequence::Undo)) {
            UndoDelete();
            return true;
        }
        // The focus alone makes the first record current without choosing it; the first arrow
        // chooses it instead of passing over it.
        if ((key->key() == Qt::Key_Down || key->key() == Qt::Key_Up) &&
            m_list->selectedItems().isEmpty() && m_list->count() > 0) {
            QListWidgetItem* current = m_list->currentItem();
            if (current == nullptr) {
                m_list->setCurrentRow(0);
            } else {
                current->setSelected(true);
            }
            return true;
        }
    }
    if (watched == m_list->viewport() && event->type() == QEvent::MouseMove) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (m_list->itemAt(mouse->position().toPoint()) != nullptr) {
            m_list->viewport()->setCursor(PointingCursor());
        } else {
            m_list->viewport()->unsetCursor();
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace marulo::mainwnd
