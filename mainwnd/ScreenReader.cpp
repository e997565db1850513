// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ScreenReader.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <map>

namespace marulo::mainwnd {

namespace {

std::map<const QObject*, SpokenValue>& SpokenValues() {
    static std::map<const QObject*, SpokenValue> values;
    return values;
}

class SpokenValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    SpokenValueAccessible(QWidget* widget, SpokenValue value)
        : QAccessibleWidget(widget, value.role), m_value(std::move(value)) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            return m_value.text ? m_value.text() : QString();
        }
        if (kind == QAccessible::Description && m_value.text) {
            if (QString spoken = m_value.text(); !spoken.isEmpty()) {
                return spoken;
            }
        }
        return QAccessibleWidget::text(kind);
    }

    void* interface_cast(QAccessible::InterfaceType kind) override {
        if (kind == QAccessible::ValueInterface && m_value.number) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(kind);
    }

    QVariant currentValue() const override { return m_value.number(); }
    void setCurrentValue(const QVariant& value) override {
        if (m_value.setNumber) {
            m_value.setNumber(value.toDouble());
        }
    }
    QVariant maximumValue() const override {
        return m_value.currentMaximum ? m_value.currentMaximum() : m_value.maximum;
    }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return 1.0; }

private:
    SpokenValue m_value;
};

QAccessibleInterface* SpokenValueFactory(const QString&, QObject* object) {
    const auto found = SpokenValues().find(object);
    if (found == SpokenValues().end() || !object->isWidgetType()) {
        return nullptr;
    }
    return new SpokenValueAccessible(static_cast<QWidget*>(object), found->second);
}

QString SpokenText(QWidget& widget) {
    const auto found = SpokenValues().find(&widget);
    return found != SpokenValues().end() && found->second.text ? found->second.text() : QString();
}

QString UrgentText(QWidget& widget) {
    const auto found = SpokenValues().find(&widget);
    return found != SpokenValues().end() && found->second.urgent ? found->second.urgent()
                                                                 : QString();
}

}  // namespace

void SetSpokenValue(QWidget& widget, SpokenValue value) {
    static const bool installed = [] {
        QAccessible::installFactory(&SpokenValueFactory);
        return true;
    }();
    static_cast<void>(installed);
    SpokenValues()[&widget] = std::move(value);
    QObject::connect(&widget, &QObject::destroyed, [object = static_cast<const QObject*>(&widget)] {
        SpokenValues().erase(object);
    });
}

void TellSpokenChange(QWidget& widget) {
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessibleEvent described(&widget, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
    // Qt drops a value change, with a warning, from a widget that has no number.
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&widget);
    if (accessible != nullptr && accessible->valueInterface() != nullptr) {
        QAccessibleValueChangeEvent changed(&widget, accessible->valueInterface()->currentValue());
        QAccessible::updateAccessibility(&changed);
    }
}

ValueChangeTeller::ValueChangeTeller(QObject* parent, Tell tell)
    : QObject(parent), m_tell(std::move(tell)) {
    if (!m_tell) {
        m_tell = [](QWidget& widget, const QString&) { TellSpokenChange(widget); };
    }
    m_timer.setInterval(kGap / 6);
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(Clock::now()); });
    m_timer.start();
}

void ValueChangeTeller::Watch(QWidget& widget) {
    m_watched.push_back({&widget, SpokenText(widget), UrgentText(widget), std::nullopt});
}

void ValueChangeTeller::Poll(Clock::time_point now) {
    for (Watched& watched : m_watched) {
        if (watched.widget == nullptr) {
            continue;
        }
        const QString text = SpokenText(*watched.widget);
        const QString urgent = UrgentText(*watched.widget);
        if (text == watched.told ||
            (urgent == watched.urgentTold && watched.toldAt && now - *watched.toldAt < kGap)) {
            continue;
        }
        watched.told = text;
        watched.urgentTold = urgent;
        watched.toldAt = now;
        m_tell(*watched.widget, text);
    }
}

void ValueChangeTeller::TellNow(QWidget& widget, Clock::time_point now) {
    for (Watched& watched : m_watched) {
        if (watched.widget == &widget) {
            watched.told = SpokenText(widget);
            watched.urgentTold = UrgentText(widget);
            watched.toldAt = now;
            m_tell(widget, watched.told);
        }
    }
}

}  // namespace marulo::mainwnd
