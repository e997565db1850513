// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>

class QAbstractButton;
class QAction;
class QLocale;
class QMenu;
class QObject;
class QPoint;
class QString;
class QWidget;

namespace marulo::platform {
class SettingsStore;
}

namespace marulo::mainwnd {

// The width a bottom text panel takes on the window for its whole caption: the caption in the
// bold UI font plus 6 pixels, measured where the panel draws it, in the layout table's
// coordinates, and scaled up from there (a font made smaller by the scale measures narrower than
// the scaled text it draws).
int CaptionPanelWidth(const QString& caption, double layoutScale);

// Sets the captions of the two bottom text panels from the active language and sizes each to its
// caption (CaptionPanelWidth): the language button keeps its left edge and grows to the right, the
// homepage button keeps its right edge and grows to the left. Tops and heights stay.
void LayoutBottomButtons(QAbstractButton& languageButton, QAbstractButton& homepageButton,
                         double layoutScale);

// Shows a menu at a global point and gives the chosen item, null when nothing was chosen.
using MenuRunner = std::function<QAction*(QMenu&, const QPoint& globalPos)>;

// Offers the installed languages in a menu just below the language button, the active one
// checked and greyed, and makes the chosen one active: its file replaces Conf.ini and the shared
// fonts are discarded. True when the language changed; the caller then redraws and lays out
// everything that shows texts or fonts. A language whose file lies outside the language folder
// is refused, and onOutsideFolder hears the file Lang.ini names.
bool RunLanguageMenu(QWidget& owner, const QWidget& languageButton, const MenuRunner& run,
                     const std::function<void(const std::string& file)>& onOutsideFolder = {});

// The installed language for the system's locale: the first of its interface languages (Qt reads
// LC_ALL, LC_MESSAGES, LANG and LANGUAGE) whose language and script a listed language's locale
// shares; empty when none does.
std::string SystemLanguage(const QLocale& system);

// Before the window shows a text: with no language kept in the store, the system's language
// becomes the active one (the shipped default stays where the system's is not installed) and is
// kept; a language other than the shipped default found active was chosen before choices were
// kept, and stays. A kept choice wins at every later start.
void TakeSystemLanguageAtFirstStart(platform::SettingsStore& store, const QLocale& system);
// Keeps the active language as the user's choice.
void KeepLanguageChoice(platform::SettingsStore& store);

// Gives Qt's own dialogs and buttons (save dialog, message box buttons) the active language,
// from Qt's translations where the system has them; the language file's locale names it.
void ApplyQtTranslations();

// Opens the homepage address of the active language; a relative path counts from the folder of
// the configuration files. False when nothing could open it, with where set to the address or
// the file's full path (empty when the language gives no address). A launcher that fails later
// runs onLaunchFailed on context's thread (platform::Shell::Open).
bool OpenHomepageAddress(std::string& where, QObject* context = nullptr,
                         std::function<void()> onLaunchFailed = {});

}  // namespace marulo::mainwnd
