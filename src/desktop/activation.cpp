#include "desktop/activation.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

#if defined(KOYOMIX_HAVE_XCB) && QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

// Qt is told when it has no active window while the X server says the focus is in `window`.
void tellQtIfFocused(xcb_connection_t *server, QWidget *window)
{
    if (QApplication::activeWindow() || !window->isVisible())
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
}

} // namespace
#endif

void koyomix::keepActivation(QWidget *window)
{
#if defined(KOYOMIX_HAVE_XCB) && QT_CONFIG(xcb)
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *server = x11 ? x11->connection() : nullptr;
    if (!server)
        return;
    tellQtIfFocused(server, window);
    // A window manager that focuses the window while the box is still closing (KWin) has the
    // focus reach Qt as if it were meant for the box; Qt then finds no window focused and drops
    // the activation. The server is asked again the first time Qt has no window.
    auto once = std::make_shared<QMetaObject::Connection>();
    *once = QObject::connect(qApp, &QGuiApplication::focusWindowChanged, window,
                             [server, window, once](QWindow *now) {
                                 if (now)
                                     return;
                                 QObject::disconnect(*once);
                                 tellQtIfFocused(server, window);
                             });
#else
    Q_UNUSED(window);
#endif
}
