#include "app/activation.h"

#include <QApplication>
#include <QWidget>

#if defined(KOYOMIX_HAVE_XCB) && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

void koyomix::keepActivation(QWidget *window)
{
#if defined(KOYOMIX_HAVE_XCB) && QT_CONFIG(xcb)
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *server = x11 ? x11->connection() : nullptr;
    if (!server || QApplication::activeWindow() || !window->isVisible())
        return;
    auto *focus = xcb_get_input_focus_reply(server, xcb_get_input_focus(server), nullptr);
    const bool ours = focus && focus->focus == window->winId();
    std::free(focus);
    if (ours) { // the widget-level call, deprecated from Qt 6.5, is the one that tells Qt
        QT_WARNING_PUSH
        QT_WARNING_DISABLE_DEPRECATED
        QApplication::setActiveWindow(window);
        QT_WARNING_POP
    }
#else
    Q_UNUSED(window);
#endif
}
