// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/LanguageMenu.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <QTranslator>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "app/ConfigFiles.h"
#include "app/Fonts.h"
#include "app/Languages.h"
#include "app/UiTexts.h"
#include "app/WorkFolder.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

namespace marulo::mainwnd {

namespace {

constexpr int kCaptionPadding = 6;
constexpr const char* kLanguageValue = "Language";

int CaptionWidth(QAbstractButton& button, const char* section, double layoutScale) {
    const QString caption = QString::fromStdString(app::UiText(section, "Title", ""));
    button.setText(caption);
    button.update();
    return CaptionPanelWidth(caption, layoutScale);
}

}  // namespace

int CaptionPanelWidth(const QString& caption, double layoutScale) {
    const int inTable =
        QFontMetrics(app::UiFont(true)).horizontalAdvance(caption) + kCaptionPadding;
    return static_cast<int>(std::ceil(inTable * layoutScale));
}

void LayoutBottomButtons(QAbstractButton& languageButton, QAbstractButton& homepageButton,
                         double layoutScale) {
    const int languageWidth = CaptionWidth(languageButton, "Language", layoutScale);
    const QRect language = languageButton.geometry();
    languageButton.setGeometry(language.left(), language.top(), languageWidth, language.height());

    const int homepageWidth = CaptionWidth(homepageButton, "Homepage", layoutScale);
    const QRect homepage = homepageButton.geometry();
    const int right = homepage.left() + homepage.width();
    homepageButton.setGeometry(right - homepageWidth, homepage.top(), homepageWidth,
                               homepage.height());
}

bool RunLanguageMenu(QWidget& owner, const QWidget& languageButton, const MenuRunner& run,
                     const std::function<void(const std::string& file)>& onOutsideFolder) {
    QMenu menu(&owner);
    const std::string current = app::UiText("Language", "Current", "");
    for (const std::string& name : app::LanguageNames()) {
        const QString text = QString::fromStdString(name);
        QAction* item = menu.addAction(text);
        // The name is kept byte for byte; the shown text may lose an "&" to a shortcut.
        item->setData(QByteArray::fromStdString(name));
        if (name == current) {
            item->setCheckable(true);
            item->setChecked(true);
            item->setEnabled(false);
        }
    }
    const QAction* chosen =
        run(menu, languageButton.mapToGlobal(QPoint(-2, languageButton.height())));
    if (chosen == nullptr) {
        return false;
    }
    const std::string name = chosen->data().toByteArray().toStdString();
    if (!app::SwitchLanguageFiles(name)) {
        if (onOutsideFolder && app::LanguageFileOutsideFolder(name)) {
            onOutsideFolder(app::LanguageValue(name));
        }
        return false;
    }
    app::ResetUiFonts();
    return true;
}

std::string SystemLanguage(const QLocale& system) {
    const std::vector<std::string> names = app::LanguageNames();
    for (const QString& wanted : system.uiLanguages()) {
        const QLocale want(wanted);
        for (const std::string& name : names) {
            const QLocale offered(QString::fromStdString(app::LanguageLocale(name)));
            // Simplified and traditional Chinese share a language but not a script.
            if (want.language() != QLocale::C && want.language() == offered.language() &&
                want.script() == offered.script()) {
                return name;
            }
        }
    }
    return {};
}

void TakeSystemLanguageAtFirstStart(platform::SettingsStore& store, const QLocale& system) {
    if (store.Read(kLanguageValue)) {
        return;
    }
    const std::string active = app::UiText("Language", "Current", "");
    const std::vector<std::string> names = app::LanguageNames();
    // Lang.ini lists the shipped default first.
    const bool chosenBefore = !active.empty() && !names.empty() && active != names.front();
    if (!chosenBefore) {
        const std::string wanted = SystemLanguage(system);
        if (!wanted.empty() && wanted != active && app::SwitchLanguageFiles(wanted)) {
            app::ResetUiFonts();
        }
    }
    KeepLanguageChoice(store);
}

void KeepLanguageChoice(platform::SettingsStore& store) {
    store.Write(kLanguageValue, app::UiText("Language", "Current", ""));
}

void ApplyQtTranslations() {
    // One translator for the process, replaced at each language switch.
    static std::unique_ptr<QTranslator> installed;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    const QLocale locale(QString::fromStdString(app::UiText("Language", "Locale", "en_US")));
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
    }
}

bool OpenHomepageAddress(std::string& where, QObject* context,
                         std::function<void()> onLaunchFailed) {
    const app::FolderLocation folder = app::ConfigFolder();
    const std::string address = app::UiText("Homepage", "Url", "");
    const std::string base = folder.drive + folder.directory;
    where = platform::Shell::Where(address, base);
    return platform::Shell::Open(address, base, context, std::move(onLaunchFailed));
}

}  // namespace marulo::mainwnd
