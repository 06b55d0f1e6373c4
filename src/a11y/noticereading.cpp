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
    int notices = 0;                           // notices open
    bool holding = false; // from a notice's start until its handler has returned
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
    // filter steps aside for the one call.
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
    [[maybe_unused]] static const bool installed = [] {
        hold.next = QAccessible::installUpdateHandler(filter);
        return true;
    }();
}

NoticeReading::NoticeReading(QMessageBox &box)
{
    if (QAbstractButton *ok = box.buttons().value(0)) {
        ok->setAccessibleDescription(box.text());
        if (auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
            label->setBuddy(ok);
    }
    ++hold.notices;
    hold.holding = true;
}

NoticeReading::~NoticeReading()
{
    if (--hold.notices > 0)
        return;
    // The handler that raised the notice is still on the stack, and so is the focus move
    // that ran it; a queued call runs once both have returned.
    QTimer::singleShot(0, qApp, [] {
        if (hold.notices > 0)
            return;
        hold.holding = false;
        announceFocus();
    });
}

} // namespace koyomix
