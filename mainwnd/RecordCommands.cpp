// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's record commands: the record list, showing a record and playing it.
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include "mainwnd/MainWindow.h"

#include "archive/RecordArchive.h"
#include "archive/RecordItemTexts.h"
#include "archive/RecordName.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "jobs/QtPost.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/ProfilePanel.h"
#include "mainwnd/VolumeSlider.h"
#include "review/ReviewModel.h"
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

// "22 weeks 1 day, 11:07" for a record list item: its age and the time of day it shows.
QString SpokenRecordName(const archive::RecordDates& dates) {
    if (!dates.stored) {
        return {};
    }
    QString spoken;
    if (const std::optional<archive::RecordAge> age = archive::RecordAgeOf(dates)) {
        spoken = Message(age->weeks == 1 ? "SpokenWeek" : "SpokenWeeks").arg(age->weeks) +
                 QLatin1Char(' ') +
                 Message(age->days == 1 ? "SpokenDay" : "SpokenDays").arg(age->days) +
                 QStringLiteral(", ");
    }
    return spoken + QStringLiteral("%1:%2")
                        .arg(dates.stored->hour)
                        .arg(dates.stored->minute, 2, 10, QLatin1Char('0'));
}

}  // namespace

void MainWindow::ConnectRecordLoading() {
    m_review = std::make_unique<review::ReviewModel>(m_session.WorkFolder(),
                                                     m_session.WorkingFiles(), jobs::PostTo(this));
    m_reviewBinding = std::make_unique<views::ReviewBinding>(*m_review, *m_reviewView);
    m_reviewBinding->SetLoaded([this](archive::RecordProblem problem) { OnRecordLoaded(problem); });
    connect(m_reviewView, &views::ReviewView::PlaybackRefused, this,
            [this] { m_prompts.ShowMessage(MessageKind::Warning, Message("AudioCannotPlay")); });
}

void MainWindow::OnRecordLoaded(archive::RecordProblem problem) {
    const bool playable =
        problem == archive::RecordProblem::None || problem == archive::RecordProblem::NoTrace;
    m_playButton->setVisible(playable);
    m_muteButton->setVisible(playable);
    m_volumeSlider->setVisible(playable);
    if (const char* key = RecordProblemMessageKey(problem)) {
        const bool partial = problem == archive::RecordProblem::NoAudio ||
                             problem == archive::RecordProblem::NoTrace;
        m_prompts.ShowMessage(partial ? MessageKind::Warning : MessageKind::Error, Message(key));
    }
}

void MainWindow::ShowRecord(int index) {
    const QListWidgetItem* item = index >= 0 ? m_recordList->item(index) : nullptr;
    // Someone else holding the working files refuses the record without a word, as a closing run
    // does.
    if (item != nullptr && !m_reviewBinding->Load(RecordFolder() / RecordOfItem(*item).fileName)) {
        item = nullptr;
    }
    if (item == nullptr) {
        m_playButton->hide();
        m_muteButton->hide();
        m_volumeSlider->hide();
        m_reviewBinding->Clear();
    } else {
        m_playButton->show();
        m_muteButton->show();
        m_volumeSlider->show();
    }
    {
        const QSignalBlocker quiet(m_recordList);
        if (item == nullptr) {
            DeselectRecords();
        } else {
            m_recordList->setCurrentRow(index);
        }
    }
    UpdateLevelWatch();
}

int MainWindow::SelectedRecordIndex() const {
    const QList<QListWidgetItem*> selected = m_recordList->selectedItems();
    return selected.isEmpty() ? -1 : m_recordList->row(selected.front());
}

void MainWindow::DeselectRecords() {
    const QSignalBlocker quiet(m_recordList);
    m_recordList->clearSelection();
    m_recordList->setCurrentRow(-1);
}

bool MainWindow::ShowSelectedRecord() {
    const int index = SelectedRecordIndex();
    if (m_session.IsRunning()) {
        m_prompts.ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        DeselectRecords();
        return false;
    }
    // A run that is still closing owns the working files until its record is stored, which
    // refills the list; until then a selection is dropped without a word.
    if (m_session.HoldsWorkingFiles()) {
        DeselectRecords();
        return false;
    }
    ShowRecord(index);
    return true;
}

void MainWindow::OnRecordSelectionChanged() {
    ShowSelectedRecord();
}

void MainWindow::OnRecordDoubleClicked() {
    if (!ShowSelectedRecord()) {
        return;
    }
    if (m_playing) {
        m_reviewView->StopPlayback();
    }
    m_reviewView->StartPlayback(0);
}

void MainWindow::RefreshRecordList() {
    const int selectedIndex = SelectedRecordIndex();
    const std::string shown = selectedIndex >= 0
                                  ? RecordOfItem(*m_recordList->item(selectedIndex)).fileName
                                  : std::string();
    const QSignalBlocker quiet(m_recordList);
    m_recordList->clear();
    const Profile profile = m_profile->Current();
    QListWidgetItem* stillShown = nullptr;
    for (const std::string& file :
         archive::ListRecordFiles(RecordFolder(), profile.name, profile.edc)) {
        // Shown with replacement characters where the bytes are no UTF-8, found by its bytes.
        auto* item = new QListWidgetItem(QString::fromStdString(file), m_recordList);
        const archive::RecordIdentity record = archive::ReadRecordIdentity(file);
        item->setData(Qt::AccessibleTextRole, SpokenRecordName(record.dates));
        item->setData(kRecordIdentityRole, QVariant::fromValue(record));
        if (!shown.empty() && file == shown) {
            stillShown = item;
        }
    }
    // The record under review stays selected in the refilled list.
    if (stillShown != nullptr) {
        m_recordList->setCurrentItem(stillShown);
    }
}

void MainWindow::TogglePlayback() {
    if (m_session.HoldsWorkingFiles()) {
        return;
    }
    if (m_playing) {
        m_reviewView->StopPlayback();
    } else {
        m_reviewView->StartPlayback(0);
    }
}

void MainWindow::OnPlaybackStarted() {
    m_playing = true;
    m_playButton->update();
}

void MainWindow::OnPlaybackStopped() {
    m_playing = false;
    m_playButton->update();
}

}  // namespace marulo::mainwnd
