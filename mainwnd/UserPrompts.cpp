// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/UserPrompts.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <utility>

#include "controls/WindowTexts.h"

namespace marulo::mainwnd {

namespace {

QString SaveFolder() {
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir().mkpath(documents)) {
        return documents;
    }
    return QDir::homePath();
}

}  // namespace

void UserPrompts::ShowMessage(MessageKind kind, const QString& text) {
    ShowMessageOffering(kind, text, QString());
}

bool UserPrompts::ShowMessageOffering(MessageKind kind, const QString& text, const QString& offer) {
    if (m_messageHook) {
        m_messageHook(kind, text);
        return false;
    }
    const auto [icon, captionKey] = [kind] {
        switch (kind) {
            case MessageKind::Warning:
                return std::pair(QMessageBox::Warning, "Exclamation");
            case MessageKind::Error:
                return std::pair(QMessageBox::Critical, "Error");
            case MessageKind::Information:
                break;
        }
        return std::pair(QMessageBox::Information, "ProgramName");
    }();
    QMessageBox box(icon, controls::Message(captionKey), text, QMessageBox::Ok, &m_owner);
    const QAbstractButton* offered =
        offer.isEmpty() ? nullptr : box.addButton(offer, QMessageBox::ActionRole);
    // Escape and the close box still answer OK beside the offer.
    box.setEscapeButton(QMessageBox::Ok);
    box.exec();
    return offered != nullptr && box.clickedButton() == offered;
}

QAction* UserPrompts::RunMenu(QMenu& menu, const QPoint& globalPos) {
    if (m_menuHook) {
        return m_menuHook(menu, globalPos);
    }
    return menu.exec(globalPos);
}

QString UserPrompts::AskSavePath(const QString& caption, const QString& suggestedName,
                                 const QString& filter, QString& selectedFilter) {
    const QString suggestedPath = SaveFolder() + QLatin1Char('/') + suggestedName;
    if (m_saveDialogHook) {
        return m_saveDialogHook(caption, suggestedPath, filter, selectedFilter);
    }
    return QFileDialog::getSaveFileName(&m_owner, caption, suggestedPath, filter, &selectedFilter);
}

}  // namespace marulo::mainwnd
