// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QListWidget>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "mainwnd/Profile.h"

class QWidget;

namespace marulo::archive {
enum class RecordProblem;
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

// The mother's stored records: the list, the record shown in the review chart, and the record
// menu (reports and audio saved from the stored archive, the record folder).
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

    QWidget& m_window;
    UserPrompts& m_prompts;
    platform::SettingsStore& m_store;
    session::MonitoringSession& m_session;
    ProfileSource m_profile;
    QPointer<QListWidget> m_list;
    std::unique_ptr<review::ReviewModel> m_review;
    std::unique_ptr<views::ReviewBinding> m_binding;
    QPointer<ExportRunner> m_exports;
};

}  // namespace marulo::mainwnd
