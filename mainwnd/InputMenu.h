// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <optional>

#include "acquisition/CaptureController.h"
#include "mainwnd/LanguageMenu.h"
#include "platform/SoundInputChoice.h"

class QWidget;

namespace marulo::platform {
class SettingsStore;
}

namespace marulo::mainwnd {

// The sound input's failure in the current language, else in the sound system's words.
QString CaptureErrorText(const acquisition::CaptureError& error);

// "Input: <device>" for the device a run opens now; when the chosen device is not connected it
// names both, so the user sees that the default stands in for it.
QString InputCaption(const std::optional<platform::SoundInputDevice>& chosen,
                     const std::optional<platform::SoundInputDevice>& inUse);

// The choice kept in the settings store, by id and description; nothing when none was kept.
std::optional<platform::SoundInputDevice> KeptInput(const platform::SettingsStore& store);
void KeepInput(platform::SettingsStore& store,
               const std::optional<platform::SoundInputDevice>& chosen);

// What the input menu gave: nothing chosen, or the system default, or one listed device.
struct InputMenuChoice {
    bool made = false;
    std::optional<platform::SoundInputDevice> device;  // none: the system default
};

// Offers the system default and every listed capture device just above the input button, the
// current choice checked.
InputMenuChoice RunInputMenu(QWidget& owner, const QWidget& inputButton,
                             const std::optional<platform::SoundInputDevice>& chosen,
                             const MenuRunner& run);

}  // namespace marulo::mainwnd
