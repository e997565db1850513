// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ControlPlacement.h"

#include <QPainter>
#include <utility>

#include "app/Fonts.h"
#include "controls/LayoutScale.h"
#include "controls/RecordListDrawing.h"
#include "controls/SkinBitmap.h"
#include "controls/WindowLayout.h"

namespace marulo::mainwnd {

using namespace controls;

namespace {

struct ControlTip {
    int id;
    const char* key;
};
constexpr ControlTip kControlTips[] = {
    {kMinimizeButtonId, "TipMinimize"},
    {kCloseButtonId, "TipClose"},
    {kMotherListButtonId, "TipMotherList"},
    {kMonitorViewId, "TipLiveView"},
    {kNameBoxId, "TipName"},
    {kWeekButtonId, "TipWeek"},
    {kDayButtonId, "TipDay"},
    {kEdcDisplayId, "TipEdc"},
    {kCalendarButtonId, "TipCalendar"},
    {kEdcCalendarId, "TipEdcCalendar"},
    {kRecordListId, "TipRecords"},
    {kReviewViewId, "TipChart"},
    {kVolumeSliderId, "TipVolume"},
    {kHomepageButtonId, "TipHomepage"},
    {kLanguageButtonId, "TipLanguage"},
    {kInputButtonId, "TipInput"},
};

}  // namespace

void PlaceControl(QWidget& control, int id) {
    if (control.property(kControlIdProperty).isValid()) {
        return;
    }
    const ControlPlace where = PlaceOf(id);
    control.setProperty(kControlIdProperty, id);
    control.setObjectName(QString::fromLatin1(where.name));
    control.setGeometry(ScaledRect(where.rect, LayoutScale(control)));
    control.show();
}

SkinnedButton& PlaceButton(QWidget& window, QPointer<SkinnedButton>& slot, int id,
                           const SkinnedButton::StateSource& state, std::function<void()> command,
                           Pointer pointer) {
    if (slot == nullptr) {
        slot = new SkinnedButton(id, state, &window);
        if (command) {
            QObject::connect(slot, &QAbstractButton::clicked, &window,
                             [command = std::move(command)] { command(); });
        }
        // The two text panels at the bottom edge.
        slot->SetFallbackPainter([](QPainter& painter, const SkinnedButton& panel) {
            DrawTextPanel(painter, LayoutRect(panel), panel.isDown(), panel.text());
        });
        if (pointer == Pointer::Hand) {
            slot->setCursor(PointingCursor());
        }
    }
    PlaceControl(*slot, id);
    return *slot;
}

const char* TipKey(int id) {
    for (const ControlTip& tip : kControlTips) {
        if (tip.id == id) {
            return tip.key;
        }
    }
    return nullptr;
}

void ApplyControlTexts(QWidget& window) {
    const QFont font = LayoutFont(window, app::UiFont(false));
    for (QObject* child : window.children()) {
        auto* control = qobject_cast<QWidget*>(child);
        if (control == nullptr || !control->property(kControlIdProperty).isValid()) {
            continue;
        }
        control->setFont(font);
        const char* tipKey = TipKey(control->property(kControlIdProperty).toInt());
        if (auto* button = qobject_cast<SkinnedButton*>(control)) {
            if (tipKey != nullptr) {
                button->SetTipSource([tipKey] { return Message(tipKey); });
            }
            button->RefreshTip();
        } else if (tipKey != nullptr) {
            control->setToolTip(Message(tipKey));
            control->setAccessibleName(Message(tipKey));
        }
        control->update();
    }
}

}  // namespace marulo::mainwnd
