// SPDX-License-Identifier: GPL-3.0-or-later
// The program's entry: one main window, centred on the work area, and the event loop.
#include <QApplication>

#include "controls/SkinBitmap.h"
#include "mainwnd/MainWindow.h"
#include "mainwnd/WindowScale.h"

int main(int argc, char** argv) {
    marulo::mainwnd::FitWindowScaleToScreen(argc, argv);
    QApplication application(argc, argv);
    QApplication::setWindowIcon(marulo::controls::ApplicationIcon());

    marulo::mainwnd::MainWindow window;
    window.InstallCaptureErrorReporter();
    window.CentreOnWorkArea();
    window.show();
    return QApplication::exec();
}
