// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/NoteDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "controls/WindowTexts.h"

namespace marulo::dialogs {

using controls::Message;

NoteDialog::NoteDialog(const QString& note, QWidget* parent)
    : QDialog(parent), m_editor(new QPlainTextEdit(note, this)) {
    setObjectName(QStringLiteral("NoteDialog"));
    setWindowTitle(Message("NoteTitle"));
    setWindowModality(Qt::WindowModal);
    m_editor->setObjectName(QStringLiteral("NoteEditor"));
    m_editor->setAccessibleName(Message("NoteTitle"));
    m_editor->setTabChangesFocus(true);
    m_editor->moveCursor(QTextCursor::End);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(Message("Ok"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Message("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_editor);
    layout->addWidget(buttons);
    resize(420, 200);
}

QString NoteDialog::Text() const {
    return m_editor->toPlainText();
}

}  // namespace marulo::dialogs
