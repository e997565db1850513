// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCalendarWidget>
#include <QPointer>

namespace marulo::mainwnd {

// The drop-down month calendar of the main window: while shown, a mouse press anywhere outside
// it in the program only closes it, as does Escape, and a day picked in it is handed on by
// picked(). Month and day names follow the current language.
class EdcCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    explicit EdcCalendar(QWidget* parent = nullptr);

    // Shows the calendar above its siblings on the given day, with the keyboard focus in it.
    void Open(const QDate& day);
    // Takes the locale named by the current language file.
    void ApplyLanguage();

signals:
    void picked(const QDate& date);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowDaysToScreenReaders(bool shown);

    bool m_filtering = false;
    QPointer<QWidget> m_focusBefore;
};

}  // namespace marulo::mainwnd
