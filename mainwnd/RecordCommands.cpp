// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's record commands: the record list, showing a record and playing it.
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>

#include "mainwnd/MainWindow.h"

#include "archive/RecordName.h"
#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"
#include "mainwnd/ControlText.h"
#include "mainwnd/VolumeSlider.h"
#include "views/ReviewView.h"

namespace marulo::mainwnd {

using namespace controls;

void MainWindow::ShowRecord(int index) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QListWidgetItem* item = index >= 0 ? m_recordList->item(index) : nullptr;
    if (item == nullptr) {
        m_playButton->hide();
        m_muteButton->hide();
        m_volumeSlider->hide();
        m_reviewView->ClearRecord();
    } else {
        m_playButton->show();
        m_muteButton->show();
        m_volumeSlider->show();
        m_reviewView->LoadRecord(std::string(archive::RecordFolder) + "/" +
                                 item->text().toStdString());
    }
    {
        const QSignalBlocker quiet(m_recordList);
        if (item == nullptr) {
            DeselectRecords();
        } else {
            m_recordList->setCurrentRow(index);
        }
    }
    QApplication::restoreOverrideCursor();
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
    if (m_controller.IsCapturing()) {
        ShowMessage(MessageKind::Warning, Message("AlertRecording"));
        DeselectRecords();
        return false;
    }
    // A run that is still closing owns the working files until its record is stored, which
    // refills the list; until then a selection is dropped without a word.
    if (m_controller.AnyThreadRunning()) {
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
    m_recordList->clear();
    const std::string name = ControlText(m_nameBox->text());
    const std::string edc = ControlText(EdcText());
    for (const std::string& file : archive::ListRecordFiles(archive::RecordFolder, name, edc)) {
        m_recordList->addItem(QString::fromStdString(file));
    }
}

void MainWindow::TogglePlayback() {
    if (m_controller.AnyThreadRunning()) {
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
