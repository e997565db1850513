// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractNativeEventFilter>
#include <QWindow>
#include <functional>

namespace marulo::platform {

// Calls back when the window system destroys a window from outside (an X client's
// XDestroyWindow, as "xdotool windowclose" sends), which Qt itself does not report as a close.
// Watches nothing on window systems other than X11.
class WindowDestroyWatch final : public QAbstractNativeEventFilter {
public:
    WindowDestroyWatch(WId window, std::function<void()> onDestroyed);
    ~WindowDestroyWatch() override;
    WindowDestroyWatch(const WindowDestroyWatch&) = delete;
    WindowDestroyWatch& operator=(const WindowDestroyWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    WId m_window;
    std::function<void()> m_onDestroyed;
    bool m_reported = false;
};

}  // namespace marulo::platform
