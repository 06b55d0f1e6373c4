#include "app/accessiblefocus.h"

#include <QAccessible>
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace koyomix {

namespace {

QPointer<QWidget> g_window;
int g_notices = 0;      // notices open
bool g_holding = false; // from a notice's start until its handler has returned

void forward(QAccessibleEvent *event);

bool inWindow(QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    return widget && g_window && widget->window() == g_window;
}

void filter(QAccessibleEvent *event)
{
    if (g_holding && event->type() == QAccessible::Focus && inWindow(event->object()))
        return;
    forward(event);
}

// Qt hands an event to the platform only when no update handler is installed, so the
// handler steps aside for the one call.
void forward(QAccessibleEvent *event)
{
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(filter);
}

void announceFocus()
{
    QWidget *focus = QApplication::focusWidget();
    // Reactivated only later, the window announces its focus itself then.
    if (inWindow(focus) && g_window->isActiveWindow()) {
        QAccessibleEvent event(focus, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

void followRealFocus(QWidget *window)
{
    g_window = window;
    QAccessible::installUpdateHandler(filter);
}

NoticeFocusScope::NoticeFocusScope()
{
    ++g_notices;
    g_holding = true;
}

NoticeFocusScope::~NoticeFocusScope()
{
    if (--g_notices > 0)
        return;
    // The handler that raised the notice is still on the stack, and so is the focus move
    // that ran it; a queued call runs once both have returned.
    QTimer::singleShot(0, qApp, [] {
        if (g_notices > 0)
            return;
        g_holding = false;
        announceFocus();
    });
}

} // namespace koyomix
