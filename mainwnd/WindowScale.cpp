// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwnd/WindowScale.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "controls/WindowLayout.h"
#include "mainwnd/MainWindow.h"

namespace marulo::mainwnd {

double FittingWindowScale(double screenScale, int windowWidth, int windowHeight, int workWidth,
                          int workHeight) {
    if (screenScale < controls::kSmallestLayoutScale || windowWidth <= 0 || windowHeight <= 0 ||
        workWidth <= 0 || workHeight <= 0) {
        return screenScale;
    }
    const double fits =
        std::min(workWidth * screenScale / windowWidth, workHeight * screenScale / windowHeight);
    return std::clamp(fits, controls::kSmallestLayoutScale, screenScale);
}

double FitWindowScaleToScreen(int& argc, char** argv) {
    // Fractional screen factors reach the window as they are, so a fitting scale such as 1.6
    // is not rounded back up to 2.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    double screenScale = 1.0;
    int workWidth = 0;
    int workHeight = 0;
    {
        // The screen is known only to an application object; this one ends before the
        // program's own starts, which reads the factor set here.
        const QGuiApplication probe(argc, argv);
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen == nullptr) {
            return 1.0;
        }
        screenScale = screen->devicePixelRatio();
        workWidth = screen->availableGeometry().width();
        workHeight = screen->availableGeometry().height();
    }
    const double scale = FittingWindowScale(screenScale, MainWindow::kWidth, MainWindow::kHeight,
                                            workWidth, workHeight);
    // Qt's scale goes no lower than 1: below, it paints the window at full size, clipped and
    // with black patches. The window's own layout takes the rest.
    const double qtScale = std::max(scale, std::min(screenScale, 1.0));
    if (qtScale < screenScale) {
        bool given = false;
        const double factor = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&given);
        const double current = given && factor > 0 ? factor : 1.0;
        qputenv("QT_SCALE_FACTOR", QByteArray::number(current * qtScale / screenScale, 'g', 6));
    }
    return scale / qtScale;
}

}  // namespace marulo::mainwnd
