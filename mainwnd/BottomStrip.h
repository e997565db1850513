// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <functional>
#include <vector>

#include "controls/SkinnedButton.h"
#include "platform/SoundInputChoice.h"

namespace marulo::platform {
class SettingsStore;
}

namespace marulo::mainwnd {

class UserPrompts;

// The strip along the window's bottom edge: the language menu, the sound input menu with its
// caption, and the guide (homepage). Its controls are children of the window.
class BottomStrip : public QObject {
    Q_OBJECT
public:
    static constexpr int kInputDevicesWatchMilliseconds = 2000;

    // Runs open the input chosen here; the kept choice is taken at once. monitoring tells
    // whether a run holds the input now, when the choice is refused.
    BottomStrip(QWidget& window, UserPrompts& prompts, platform::SettingsStore& store,
                platform::SoundInputChoice& inputChoice,
                const controls::SkinnedButton::StateSource& state,
                std::function<bool()> monitoring);

    // The language, input and homepage buttons: reading order.
    std::array<QWidget*, 3> FocusOrder() const;
    // Fits the captions of the current language and the connected devices to the strip.
    void LayoutBottomButtons();

    // Commands.
    void OpenLanguageMenu();
    // Offers the sound inputs; refused while monitoring, and an input that cannot be opened
    // leaves the choice before. Trying an input blocks for at most the sound system's 3 s.
    void OpenInputMenu();
    void OpenHomepage();

signals:
    // Another language is active: every text of the window is to be renewed.
    void languageChanged();
    // Before the chosen input is tried: whoever has the input open lets it go.
    void inputChoiceChanging();
    // The choice is settled, changed or kept: the input may be opened again.
    void inputChoiceChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The input button's caption for the devices connected now, fitted to its text.
    void UpdateInputCaption();

    QWidget& m_window;
    UserPrompts& m_prompts;
    platform::SettingsStore& m_store;
    platform::SoundInputChoice& m_inputChoice;
    std::function<bool()> m_monitoring;
    QPointer<controls::SkinnedButton> m_languageButton;
    QPointer<controls::SkinnedButton> m_inputButton;
    QPointer<controls::SkinnedButton> m_homepageButton;
    // The capture devices as last seen.
    std::vector<platform::SoundInputDevice> m_inputDevices;
};

}  // namespace marulo::mainwnd
