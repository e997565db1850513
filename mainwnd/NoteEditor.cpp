// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/NoteEditor.h"

#include <QWidget>
#include <filesystem>
#include <string>
#include <utility>

#include <QPainter>
#include "archive/RecordEvents.h"

#include "controls/LayoutScale.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowTexts.h"
#include "dialogs/NoteDialog.h"
#include "jobs/QtPost.h"
#include "mainwnd/UserPrompts.h"
#include "review/ReviewModel.h"
#include "session/MonitoringSession.h"
#include "views/ReviewBinding.h"

namespace marulo::mainwnd {

using controls::Message;

NoteEditor::NoteEditor(QWidget& window, UserPrompts& prompts, session::MonitoringSession& session,
                       review::ReviewModel& review, views::ReviewBinding& binding,
                       PlayingQuery playing)
    : QObject(&window),
      m_window(window),
      m_prompts(prompts),
      m_session(session),
      m_review(review),
      m_binding(binding),
      m_playing(std::move(playing)),
      m_button(new controls::SkinnedButton(controls::kNoteButtonId, {}, &window)),
      m_job(std::make_unique<jobs::LatestJob>(jobs::PostTo(this))) {
    connect(m_button, &QAbstractButton::clicked, this, &NoteEditor::Edit);
    // A caption panel like the bottom strip's, faded while it cannot be pressed; a screen reader
    // hears the caption as its name and the tip as its description.
    m_button->SetFallbackPainter([](QPainter& painter, const controls::SkinnedButton& button) {
        painter.setOpacity(button.isEnabled() ? 1.0 : 0.4);
        controls::DrawTextPanel(painter, controls::LayoutRect(button), button.isDown(),
                                button.text());
    });
    m_button->SetTipSource([] { return Message("TipNote"); });
    m_button->setCursor(controls::PointingCursor());
    ApplyTexts();
    Refresh();
}

NoteEditor::~NoteEditor() {
    // The rewrite in hand finishes; its result is dropped.
    m_job.reset();
}

void NoteEditor::Refresh() {
    m_button->setEnabled(!m_storing && !m_review.Archive().empty() && !m_review.IsLoading());
}

void NoteEditor::ApplyTexts() {
    m_button->setText(Message("NoteButton"));
}

void NoteEditor::Edit() {
    if (m_storing || m_review.Archive().empty() || m_review.IsLoading()) {
        return;
    }
    if (m_playing && m_playing()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("NoteWhilePlaying"));
        return;
    }
    if (m_session.HoldsWorkingFiles()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        return;
    }
    auto* dialog =
        new dialogs::NoteDialog(QString::fromStdString(m_review.Events().note), &m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { Store(dialog->Text()); });
    dialog->open();
}

void NoteEditor::Store(const QString& note) {
    // Asked again: playback or a run may have begun while the dialog was open.
    if ((m_playing && m_playing()) || m_session.HoldsWorkingFiles() || m_review.Archive().empty()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("EventsNotStored"));
        return;
    }
    std::string text = note.trimmed().toStdString();
    if (!archive::IsValidNote(text)) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("NoteInvalid"));
        return;
    }
    const std::filesystem::path archive = m_review.Archive();
    m_storing = true;
    Refresh();
    m_job->Start(
        [archive, text](const jobs::JobControl&) {
            return archive::WriteRecordNote(archive, text);
        },
        [this, archive, text](archive::EventsProblem problem) {
            m_storing = false;
            if (problem == archive::EventsProblem::None) {
                if (m_review.Archive() == archive) {
                    m_review.SetNote(text);
                    m_binding.ShowEvents();
                }
            } else {
                m_prompts.ShowMessage(
                    MessageKind::Error,
                    Message(problem == archive::EventsProblem::NoteInvalid ? "NoteInvalid"
                                                                           : "EventsNotStored"));
            }
            Refresh();
            emit noteSettled();
        });
}

}  // namespace marulo::mainwnd
