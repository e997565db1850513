// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessible>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace marulo::mainwnd {

// What a screen reader is told of a widget in place of Qt's own description: its role and, for
// a widget that shows a changing figure, that figure as text and as a number. The text is the
// widget's description too: Qt's bus carries a value only as a number.
struct SpokenValue {
    QAccessible::Role role = QAccessible::StaticText;
    std::function<QString()> text;
    std::function<double()> number;
    double maximum = 0;
    // Sets the number from a screen reader; none for a figure that is only shown.
    std::function<void(double)> setNumber;
    // The maximum where it changes; `maximum` when none.
    std::function<double()> currentMaximum;
    // The part of the text whose change is told at once, without waiting for the gap.
    std::function<QString()> urgent;
};

// Gives a widget that description for as long as it lives. Call before anything asks for the
// widget's accessible interface.
void SetSpokenValue(QWidget& widget, SpokenValue value);

// Tells screen readers at once that the widget's spoken text (and number) changed.
void TellSpokenChange(QWidget& widget);

// Tells screen readers of a changed figure at most once every few seconds per widget, so a
// number that changes every second is not read out without a pause; a change of its urgent part
// is told at once.
class ValueChangeTeller : public QObject {
public:
    static constexpr std::chrono::milliseconds kGap{3000};
    using Clock = std::chrono::steady_clock;

    // How a change is told; screen readers through Qt's accessibility events (the description,
    // and the number where there is one) when none.
    using Tell = std::function<void(QWidget&, const QString&)>;

    explicit ValueChangeTeller(QObject* parent = nullptr, Tell tell = {});

    void Watch(QWidget& widget);
    // Tells what changed since it was last told, where that was kGap or longer before `now`. A
    // timer calls it twice a second.
    void Poll(Clock::time_point now);
    // Tells a watched widget's text at once: a change the user made waits for no gap.
    void TellNow(QWidget& widget, Clock::time_point now);

private:
    struct Watched {
        QPointer<QWidget> widget;
        QString told;
        QString urgentTold;
        std::optional<Clock::time_point> toldAt;
    };
    std::vector<Watched> m_watched;
    Tell m_tell;
    QTimer m_timer;
};

}  // namespace marulo::mainwnd
