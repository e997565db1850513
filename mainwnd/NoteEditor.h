// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "jobs/LatestJob.h"

#include "controls/SkinnedButton.h"

namespace marulo::review {
class ReviewModel;
}
namespace marulo::session {
class MonitoringSession;
}
namespace marulo::views {
class ReviewBinding;
}

namespace marulo::mainwnd {

class UserPrompts;

// The note on the record under review: a button in the review area opens the note dialog, and the
// note is written into the record's archive off this thread, then shown with the record. Refused
// while the record plays or a run holds the working files.
class NoteEditor : public QObject {
    Q_OBJECT
public:
    using PlayingQuery = std::function<bool()>;

    // The button is a child of the window, to be placed by it.
    NoteEditor(QWidget& window, UserPrompts& prompts, session::MonitoringSession& session,
               review::ReviewModel& review, views::ReviewBinding& binding, PlayingQuery playing);
    ~NoteEditor() override;
    NoteEditor(const NoteEditor&) = delete;
    NoteEditor& operator=(const NoteEditor&) = delete;

    controls::SkinnedButton* Button() const { return m_button; }
    // Opens the dialog for the record under review, or says why not.
    void Edit();
    // Enabled while a record is shown.
    void Refresh();
    void ApplyTexts();
    bool IsStoring() const { return m_storing; }

signals:
    // A note was stored (or refused); the record's note shown is the stored one.
    void noteSettled();

private:
    void Store(const QString& note);

    QWidget& m_window;
    UserPrompts& m_prompts;
    session::MonitoringSession& m_session;
    review::ReviewModel& m_review;
    views::ReviewBinding& m_binding;
    PlayingQuery m_playing;
    QPointer<controls::SkinnedButton> m_button;
    bool m_storing = false;
    std::unique_ptr<jobs::LatestJob> m_job;
};

}  // namespace marulo::mainwnd
