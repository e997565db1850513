// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/ReviewBinding.h"

#include "controls/WindowTexts.h"
#include "review/ReviewModel.h"
#include "views/ReviewView.h"

namespace marulo::views {

ReviewBinding::ReviewBinding(review::ReviewModel& model, ReviewView& view)
    : m_model(model), m_view(view) {
    m_model.SetLoaded([this](archive::RecordProblem problem) {
        m_view.ShowRecord(m_model.Trace(), m_model.AudioPath());
        ShowEvents();
        if (m_loaded) {
            m_loaded(problem);
        }
        m_view.PlayWhenAsked();
    });
    m_model.SetChecked([this] { m_view.ShowCheck(m_model.Check()); });
    m_view.SetPlaybackHandOver([this] { return m_model.BeginPlayback(); },
                               [this] { m_model.EndPlayback(); });
}

void ReviewBinding::ShowEvents() {
    const archive::RecordEvents& events = m_model.Events();
    const QString note =
        QString::fromStdString(events.note).replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_view.ShowEvents(events.marks,
                      note.isEmpty() ? QString() : controls::Message("NoteShown").arg(note));
}

ReviewBinding::~ReviewBinding() {
    m_view.SetPlaybackHandOver({}, {});
    m_model.SetLoaded({});
    m_model.SetChecked({});
}

bool ReviewBinding::Load(const std::filesystem::path& archive) {
    // The audio that plays lies in the working files about to be replaced.
    m_view.StopPlayback();
    if (!m_model.Load(archive)) {
        return false;
    }
    m_view.ShowLoading();
    return true;
}

void ReviewBinding::Clear() {
    m_view.ClearRecord();
    m_model.Clear();
}

}  // namespace marulo::views
