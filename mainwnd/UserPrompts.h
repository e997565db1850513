// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QString>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace marulo::mainwnd {

enum class MessageKind { Warning, Error, Information };

// Every box, pop-up menu and save dialog the window's panels show goes through here, so that
// tests and the picture tools can answer them instead of a user.
class UserPrompts {
public:
    using MessageHook = std::function<void(MessageKind, const QString& text)>;
    // Chooses from a pop-up menu opened at a global point; null when nothing was chosen.
    using MenuHook = std::function<QAction*(QMenu&, const QPoint& globalPos)>;
    // Asks where to save, starting from a suggested path; empty when cancelled. The filter may
    // offer choices (";;" between them); selectedFilter comes in as the one offered first and
    // goes out as the one chosen. The hook sees the path AskSavePath suggests.
    using SaveDialogHook =
        std::function<QString(const QString& caption, const QString& suggestedPath,
                              const QString& filter, QString& selectedFilter)>;

    // Boxes and dialogs are shown over the owner.
    explicit UserPrompts(QWidget& owner) : m_owner(owner) {}

    void ShowMessage(MessageKind kind, const QString& text);
    // A box with one more button besides OK; true when that button closed it. The hook, when
    // set, sees the text as for ShowMessage and the button stays unpressed.
    bool ShowMessageOffering(MessageKind kind, const QString& text, const QString& offer);
    QAction* RunMenu(QMenu& menu, const QPoint& globalPos);
    // Suggests the file name in the user's documents folder, made when it is not there yet (the
    // dialog would open in the current folder instead), or in the home folder when it cannot be.
    QString AskSavePath(const QString& caption, const QString& suggestedName, const QString& filter,
                        QString& selectedFilter);

    void SetMessageHook(MessageHook hook) { m_messageHook = std::move(hook); }
    void SetMenuHook(MenuHook hook) { m_menuHook = std::move(hook); }
    void SetSaveDialogHook(SaveDialogHook hook) { m_saveDialogHook = std::move(hook); }

private:
    QWidget& m_owner;
    MessageHook m_messageHook;
    MenuHook m_menuHook;
    SaveDialogHook m_saveDialogHook;
};

}  // namespace marulo::mainwnd
