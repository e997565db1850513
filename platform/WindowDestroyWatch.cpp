// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowDestroyWatch.h"

#include <QCoreApplication>
#include <QMetaObject>

#if __has_include(<xcb/xcb.h>)
#include <xcb/xcb.h>
#define MARULO_HAS_XCB 1
#endif

namespace marulo::platform {

WindowDestroyWatch::WindowDestroyWatch(WId window, std::function<void()> onDestroyed)
    : m_window(window), m_onDestroyed(std::move(onDestroyed)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowDestroyWatch::~WindowDestroyWatch() {
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeNativeEventFilter(this);
    }
}

bool WindowDestroyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
#ifdef MARULO_HAS_XCB
    if (m_reported || eventType != "xcb_generic_event_t") {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) {
        return false;
    }
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    if (destroyed->window != m_window) {
        return false;
    }
    m_reported = true;
    // Out of the event dispatch, where the window may be closed.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [callback = m_onDestroyed] { callback(); },
        Qt::QueuedConnection);
#else
    (void)eventType;
    (void)message;
#endif
    return false;
}

}  // namespace marulo::platform
