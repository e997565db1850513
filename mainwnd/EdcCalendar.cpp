// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/EdcCalendar.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QTableView>

#include "app/UiTexts.h"
#include "controls/LayoutScale.h"
#include "controls/WindowLayout.h"

namespace marulo::mainwnd {

EdcCalendar::EdcCalendar(QWidget* parent) : QCalendarWidget(parent) {
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // 140 pixels hold seven day columns only without the view's minimum section sizes, item
    // padding and eliding, and the month name only in a smaller navigation font.
    setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
    setGridVisible(false);
    if (auto* days = findChild<QTableView*>()) {
        days->horizontalHeader()->setMinimumSectionSize(0);
        days->verticalHeader()->setMinimumSectionSize(0);
        days->setTextElideMode(Qt::ElideNone);
    }
    // The navigation font shrinks with the window's layout, as the calendar's box does.
    setStyleSheet(
        QStringLiteral("marulo--mainwnd--EdcCalendar { border: 1px solid black; }"
                       "QCalendarWidget QToolButton { margin: 0px; padding: 0px; font-size: %1px; "
                       "icon-size: %2px; }"
                       "QCalendarWidget QSpinBox { font-size: %1px; }"
                       "QCalendarWidget QAbstractItemView::item { padding: 0px; margin: 0px; }")
            .arg(controls::ScaledCoordinate(10, controls::LayoutScale(*this)))
            .arg(controls::ScaledCoordinate(16, controls::LayoutScale(*this))));
    hide();
    ShowDaysToScreenReaders(false);
    ApplyLanguage();
    connect(this, &QCalendarWidget::clicked, this, &EdcCalendar::picked);
    connect(this, &QCalendarWidget::activated, this, &EdcCalendar::picked);
}

void EdcCalendar::Open(const QDate& day) {
    setSelectedDate(day);
    m_focusBefore = QApplication::focusWidget();
    show();
    raise();
    setFocus(Qt::PopupFocusReason);
}

void EdcCalendar::ApplyLanguage() {
    const QLocale locale(QString::fromStdString(app::UiText("Language", "Locale", "en_US")));
    setLocale(locale);
    // A new locale moves the week's first column but leaves the highlight in its old cell, a
    // day away from the selected date; setting the first day anew moves the highlight along.
    const Qt::DayOfWeek first = locale.firstDayOfWeek();
    setFirstDayOfWeek(first == Qt::Monday ? Qt::Sunday : Qt::Monday);
    setFirstDayOfWeek(first);
}

void EdcCalendar::ShowDaysToScreenReaders(bool shown) {
    // A day cell tells a screen reader it is showing whenever it lies within the view's
    // rectangle, hidden or not; only a hidden row has no rectangle to lie in.
    auto* days = findChild<QTableView*>();
    if (days == nullptr || days->model() == nullptr) {
        return;
    }
    for (int row = 0; row < days->model()->rowCount(); ++row) {
        days->setRowHidden(row, !shown);
    }
}

void EdcCalendar::showEvent(QShowEvent* event) {
    ShowDaysToScreenReaders(true);
    QCalendarWidget::showEvent(event);
    // Every press in the program passes here first while the calendar is shown.
    if (!m_filtering) {
        qApp->installEventFilter(this);
        m_filtering = true;
    }
}

void EdcCalendar::hideEvent(QHideEvent* event) {
    if (m_filtering) {
        qApp->removeEventFilter(this);
        m_filtering = false;
    }
    // The focus goes back to where the calendar was opened from.
    if (m_focusBefore != nullptr && isAncestorOf(QApplication::focusWidget())) {
        m_focusBefore->setFocus(Qt::PopupFocusReason);
    }
    m_focusBefore = nullptr;
    ShowDaysToScreenReaders(false);
    QCalendarWidget::hideEvent(event);
}

bool EdcCalendar::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape &&
        QApplication::activePopupWidget() == nullptr) {
        if (auto* target = qobject_cast<QWidget*>(watched);
            target != nullptr && target->window() == window()) {
            hide();
            return true;
        }
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) {
        return QCalendarWidget::eventFilter(watched, event);
    }
    auto* target = qobject_cast<QWidget*>(watched);
    // The calendar's own pop-ups (month menu, year editor) may reach beyond its rectangle.
    if (target == nullptr || QApplication::activePopupWidget() != nullptr ||
        target->window() != window()) {
        return QCalendarWidget::eventFilter(watched, event);
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint local = mapFromGlobal(mouse->globalPosition().toPoint());
    if (rect().contains(local)) {
        return QCalendarWidget::eventFilter(watched, event);
    }
    hide();
    return true;
}

}  // namespace marulo::mainwnd
