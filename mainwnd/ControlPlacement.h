// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "controls/SkinnedButton.h"
#include "controls/WindowTexts.h"

namespace marulo::mainwnd {

// Puts a control of the window at its place in controls/WindowLayout.h: its id property, its
// object name and its rectangle at the window's layout scale, shown. A control placed before
// stays as it is.
void PlaceControl(QWidget& control, int id);

enum class Pointer { Hand, Arrow };

// Creates the skinned button with this id as a child of the window unless the slot holds it,
// runs the command on a click, paints the ids without a skin bitmap as text panels, and places it.
controls::SkinnedButton& PlaceButton(QWidget& window, QPointer<controls::SkinnedButton>& slot,
                                     int id, const controls::SkinnedButton::StateSource& state,
                                     std::function<void()> command,
                                     Pointer pointer = Pointer::Hand);

// The child of the window with this control id, null when there is none.
template <typename Control = QWidget>
Control* FindControl(const QWidget& window, int id) {
    for (QObject* child : window.children()) {
        if (child->property(controls::kControlIdProperty).toInt() == id) {
            return dynamic_cast<Control*>(child);
        }
    }
    return nullptr;
}

// The message key of what a control is for (its tooltip, its name for screen readers); null for
// a control whose tip depends on the state or that has none.
const char* TipKey(int id);

// Gives every placed control of the window the normal UI font of the current language and its
// tip, renewed, and repaints it.
void ApplyControlTexts(QWidget& window);

}  // namespace marulo::mainwnd
