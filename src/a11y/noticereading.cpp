#include "a11y/noticereading.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace koyomix {

namespace {

struct FocusHold
{
    QPointer<QWidget> window;
    QAccessible::UpdateHandler next = nullptr; // the handler installed before ours
    bool holding = false;
    int releases = 0; // the last release asked for; an older queued one is stale
};

FocusHold hold;

bool inWindow(QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    return widget && hold.window && widget->window() == hold.window;
}

void filter(QAccessibleEvent *event)
{
    if (hold.holding && event->type() == QAccessible::Focus && inWindow(event->object()))
        return;
    if (hold.next) {
        hold.next(event);
        return;
    }
    // Qt hands an event to the platform only when no update handler is installed, so the
    // filter steps aside for the one call. Qt documents no public way to see its events before
    // the platform does (an installed factory's interfaces never see focus events), so the
    // focus rows of the screen-reader tests fail if Qt stops calling this handler.
    QAccessible::installUpdateHandler(nullptr);
    QAccessible::updateAccessibility(event);
    QAccessible::installUpdateHandler(filter);
}

void announceFocus()
{
    QWidget *focus = QApplication::focusWidget();
    // Reactivated only later, the window announces its focus itself then.
    if (inWindow(focus) && hold.window->isActiveWindow()) {
        QAccessibleEvent event(focus, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace

void followRealFocus(QWidget *window)
{
    hold.window = window;
    hold.holding = false;
    [[maybe_unused]] static const bool installed =
        (hold.next = QAccessible::installUpdateHandler(filter), true);
}

void holdFocusEvents()
{
    hold.holding = true;
    ++hold.releases;
}

void releaseFocusEvents()
{
    // The handler that raised the notice is still on the stack, and so is the focus move
    // that ran it; a queued call runs once both have returned.
    QTimer::singleShot(0, qApp, [release = ++hold.releases] {
        if (release != hold.releases)
            return;
        hold.holding = false;
        announceFocus();
    });
}

void readNoticeOnce(QMessageBox &box)
{
    if (QAbstractButton *ok = box.buttons().value(0)) {
        ok->setAccessibleDescription(box.text());
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
            label->setBuddy(ok);
    }
}

} // namespace koyomix
