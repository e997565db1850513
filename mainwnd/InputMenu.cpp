// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/InputMenu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <vector>

#include "controls/WindowTexts.h"
#include "platform/SettingsStore.h"

namespace marulo::mainwnd {

namespace {

using controls::FromUtf8;
using controls::Message;

constexpr const char* kInputIdValue = "InputDevice";
constexpr const char* kInputNameValue = "InputDeviceName";

// The language file's key for a sound input problem; none when only the system's text tells.
const char* ProblemKey(platform::SoundInputProblem problem) {
    switch (problem) {
        case platform::SoundInputProblem::NoDevice:
            return "InputNoDevice";
        case platform::SoundInputProblem::FormatRefused:
            return "InputFormatRefused";
        case platform::SoundInputProblem::OpenFailed:
            return "InputOpenFailed";
        case platform::SoundInputProblem::ReadFailed:
            return "InputReadFailed";
        case platform::SoundInputProblem::Underrun:
            return "InputUnderrun";
        case platform::SoundInputProblem::Fatal:
            return "InputFatal";
        case platform::SoundInputProblem::FileUnreadable:
            return "InputFileUnreadable";
        case platform::SoundInputProblem::FileFormat:
            return "InputFileFormat";
        case platform::SoundInputProblem::DeviceGone:
            return "SoundInputLost";
        case platform::SoundInputProblem::NoAnswer:
            return "InputNoAnswer";
        case platform::SoundInputProblem::Unknown:
            break;
    }
    return nullptr;
}

}  // namespace

QString CaptureErrorText(const acquisition::CaptureError& error) {
    if (!error.anyCaptureDevice) {
        return Message("ConnFailed");
    }
    if (const char* key = ProblemKey(error.problem)) {
        const QString text = Message(key);
        if (!text.isEmpty()) {
            return text.contains(QLatin1String("%1")) ? text.arg(FromUtf8(error.subject)) : text;
        }
    }
    return error.systemText.empty() ? Message("ConnFailed") : FromUtf8(error.systemText);
}

QString InputCaption(const std::optional<platform::SoundInputDevice>& chosen,
                     const std::optional<platform::SoundInputDevice>& inUse) {
    if (!inUse) {
        return Message("InputNoneCaption");
    }
    const QString used = FromUtf8(inUse->description);
    if (chosen && chosen->id != inUse->id) {
        return Message("InputMissingCaption").arg(used, FromUtf8(chosen->description));
    }
    return Message("InputCaption").arg(used);
}

std::optional<platform::SoundInputDevice> KeptInput(const platform::SettingsStore& store) {
    const std::optional<std::string> id = store.Read(kInputIdValue);
    if (!id || id->empty()) {
        return std::nullopt;
    }
    return platform::SoundInputDevice{*id, store.Read(kInputNameValue).value_or(*id)};
}

void KeepInput(platform::SettingsStore& store,
               const std::optional<platform::SoundInputDevice>& chosen) {
    store.Write(kInputIdValue, chosen ? chosen->id : std::string());
    store.Write(kInputNameValue, chosen ? chosen->description : std::string());
}

InputMenuChoice RunInputMenu(QWidget& owner, const QWidget& inputButton,
                             const std::optional<platform::SoundInputDevice>& chosen,
                             const MenuRunner& run) {
    QMenu menu(&owner);
    const auto offer = [&menu](const QString& text, bool checked) {
        QAction* item = menu.addAction(text);
        item->setCheckable(true);
        item->setChecked(checked);
        return item;
    };
    const std::optional<platform::SoundInputDevice> systemDefault =
        platform::DefaultSoundInputDevice();
    const QAction* followDefault =
        offer(Message("InputSystemDefault")
                  .arg(systemDefault ? FromUtf8(systemDefault->description) : QStringLiteral("-")),
              !chosen);
    menu.addSeparator();
    const std::vector<platform::SoundInputDevice> devices = platform::SoundInputDevices();
    std::vector<const QAction*> items;
    items.reserve(devices.size());
    for (const platform::SoundInputDevice& device : devices) {
        items.push_back(offer(FromUtf8(device.description), chosen && chosen->id == device.id));
    }
    // The button lies at the bottom edge: the menu opens above it.
    const QAction* picked =
        run(menu, inputButton.mapToGlobal(QPoint(-2, -menu.sizeHint().height())));
    if (picked == nullptr) {
        return {};
    }
    if (picked == followDefault) {
        return {true, std::nullopt};
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (picked == items[i]) {
            return {true, devices[i]};
        }
    }
    return {};
}

}  // namespace marulo::mainwnd
