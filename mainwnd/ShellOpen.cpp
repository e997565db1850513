// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/ShellOpen.h"

#include <QApplication>
#include <QWidget>

#include "controls/WindowTexts.h"
#include "mainwnd/UserPrompts.h"
#include "platform/Shell.h"

namespace marulo::mainwnd {

using namespace controls;

void OpenOrTellWhere(QWidget& window, UserPrompts& prompts, const std::string& addressOrPath,
                     const std::filesystem::path& baseFolder) {
    const QString where = FromUtf8(platform::Shell::Where(addressOrPath, baseFolder));
    const auto tellWhere = [&prompts, where] {
        prompts.ShowMessage(MessageKind::Warning,
                            Message("OpenFailed") + QLatin1Char('\n') + where);
    };
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = platform::Shell::Open(addressOrPath, baseFolder, &window, tellWhere);
    QApplication::restoreOverrideCursor();
    if (!opened) {
        tellWhere();
    }
}

}  // namespace marulo::mainwnd
