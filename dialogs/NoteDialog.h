// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace marulo::dialogs {

// The note on a record: a few lines of text, OK and Cancel. Opened window-modal without a nested
// event loop; whoever opens it reads Text() once it is accepted.
class NoteDialog : public QDialog {
    Q_OBJECT
public:
    NoteDialog(const QString& note, QWidget* parent);

    QString Text() const;
    QPlainTextEdit& Editor() const { return *m_editor; }

private:
    QPlainTextEdit* m_editor = nullptr;
};

}  // namespace marulo::dialogs
