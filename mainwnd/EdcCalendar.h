// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCalendarWidget>

namespace marulo::mainwnd {

// The drop-down month calendar of the main window: while shown, a mouse press anywhere outside
// it in the program only closes it, and a day picked in it is handed on by picked().
class EdcCalendar : public QCalendarWidget {
    Q_OBJECT
public:
    explicit EdcCalendar(QWidget* parent = nullptr);

    // Shows the calendar above its siblings.
    void Open();

signals:
    void picked(const QDate& date);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_filtering = false;
};

}  // namespace marulo::mainwnd
