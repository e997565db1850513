// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/RecordListItem.h"
#include "mainwnd/Profile.h"
#include "platform/Trash.h"

class QWidget;

namespace marulo::archive {
enum class RecordProblem;
}
namespace marulo::controls {
class SkinnedButton;
}
namespace marulo::jobs {
class LatestJob;
}
namespace marulo::platform {
class SettingsStore;
}
namespace marulo::review {
class ReviewModel;
}
namespace marulo::session {
class MonitoringSession;
}
namespace marulo::views {
class ReviewBinding;
class ReviewView;
}  // namespace marulo::views

namespace marulo::mainwnd {

class ExportRunner;
class UserPrompts;

// The mother's stored records: the list with each record's start, duration and confirmed share
// (learnt off the window's thread), the record shown in the review chart, the record menu
// (reports and audio saved from the stored archive, the record folder), and deleting into the
// desktop's trash with its undo.
class RecordsPanel : public QObject {
    Q_OBJECT
public:
    using ProfileSource = std::function<Profile()>;

    // The list becomes the window's child; it lists the records of the profile the source gives.
    RecordsPanel(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                 session::MonitoringSession& session, views::ReviewView& review,
                 ProfileSource profile);
    ~RecordsPanel() override;
    RecordsPanel(const RecordsPanel&) = delete;
    RecordsPanel& operator=(const RecordsPanel&) = delete;

    QListWidget& List() const { return *m_list; }
    // The list, the delete button and the undo button, in reading order.
    std::vector<QWidget*> FocusOrder() const;
    // Asked before deleting the record shown: its playback holds its audio.
    void SetPlayingQuery(std::function<bool()> playing) { m_playing = std::move(playing); }
    // The record under review and its chart.
    review::ReviewModel& Review() const { return *m_review; }
    views::ReviewBinding& Binding() const { return *m_binding; }
    // The folder of the stored records, in the session's work folder.
    std::filesystem::path RecordFolder() const;
    bool ShowsRecord() const { return SelectedIndex() >= 0; }

    // Refills the list from the record folder; the record shown stays selected.
    void RefreshRecordList();
    // Shows the record at this row of the list; -1 (or a refusal) clears the chart.
    void ShowRecord(int index);
    // Ends the record shown unless a run holds the working files, and lists the mother's records.
    void OnMotherChanged();
    // The record menu for the item at a point of the list's viewport.
    void OpenRecordMenu(const QPoint& viewportPos);
    // Exports the shown record as its menu does ("pdf", "csv" or "wav"); none shown, nothing.
    void ExportShownRecord(const char* extension);
    // Moves the item's record into the desktop's trash and offers to bring it back; refused
    // while it plays or an export runs. The record shown is closed first.
    void DeleteRecord(int index);
    // Brings the record deleted last back from the trash, while the offer stands.
    void UndoDelete();
    bool OffersUndo() const { return !m_trashed.empty(); }

signals:
    // A record was shown or the chart cleared.
    void shownRecordChanged();
    // Whether the shown record has audio to play.
    void playableChanged(bool playable);
    // A double click asks to hear the record from its start.
    void playFromStartAsked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int SelectedIndex() const;
    void Deselect();
    // Loads the selected record unless capture runs, which refuses and clears the selection.
    bool ShowSelectedRecord();
    void OnDoubleClicked();
    void OnRecordLoaded(archive::RecordProblem problem);
    void ExportRecord(const std::string& bareFileName, const char* extension);
    // Starts learning the next summary the list lacks: every missing length at once, then the
    // checks one at a time from the top.
    void SummarizeNext();
    // Hands what is known to the items: all of them, or the one of that file.
    void ApplySummaries(const std::string& onlyFile = {});
    void ApplyButtonTexts();
    void EndUndoOffer();

    QWidget& m_window;
    UserPrompts& m_prompts;
    platform::SettingsStore& m_store;
    session::MonitoringSession& m_session;
    ProfileSource m_profile;
    QPointer<QListWidget> m_list;
    std::unique_ptr<review::ReviewModel> m_review;
    std::unique_ptr<views::ReviewBinding> m_binding;
    QPointer<ExportRunner> m_exports;
    QPointer<controls::SkinnedButton> m_deleteButton;
    QPointer<controls::SkinnedButton> m_undoButton;
    std::function<bool()> m_playing;
    // What is known of each record, by its file name; nothing for a record with no trace.
    std::map<std::string, std::optional<archive::RecordSummary>> m_summaries;
    // The file being checked, so that deleting it stops the check.
    std::string m_checking;
    // The records deleted while the undo is offered, the last one last.
    std::vector<platform::TrashedFile> m_trashed;
    QTimer m_undoOffer;
    // Last, and reset first: its work reports to this panel.
    std::unique_ptr<jobs::LatestJob> m_summaryJob;
};

}  // namespace marulo::mainwnd
