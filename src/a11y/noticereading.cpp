#include "a11y/noticereading.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace koyomix {

namespace {

// The holds alive, and the update handler that was installed before the first of them.
std::vector<FocusEventHold *> holds;
QAccessible::UpdateHandler next = nullptr;

} // namespace

FocusEventHold::FocusEventHold(QWidget *window) : m_window(window)
{
    if (holds.empty())
        next = QAccessible::installUpdateHandler(filter);
    holds.push_back(this);
}

FocusEventHold::~FocusEventHold()
{
    std::erase(holds, this);
    if (holds.empty())
        QAccessible::installUpdateHandler(next);
}

void FocusEventHold::filter(QAccessibleEvent *event)
{
    if (std::any_of(holds.begin(), holds.end(), [event](auto *h) { return h->catches(event); }))
        return;
    if (next) {
        next(event);
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

bool FocusEventHold::catches(const QAccessibleEvent *event) const
{
    auto *widget = qobject_cast<QWidget *>(event->object());
    return m_holding && event->type() == QAccessible::Focus && widget && m_window &&
           widget->window() == m_window;
}

void FocusEventHold::hold()
{
    m_holding = true;
    ++m_releases;
}

void FocusEventHold::release()
{
    // The handler that raised the notice is still on the stack, and so is the focus move
    // that ran it; a queued call runs once both have returned.
    QTimer::singleShot(0, this, [this, release = ++m_releases] {
        if (release != m_releases)
            return;
        m_holding = false;
        announceFocus();
    });
}

void FocusEventHold::announceFocus() const
{
    QWidget *focus = QApplication::focusWidget();
    // Reactivated only later, the window announces its focus itself then.
    if (focus && m_window && focus->window() == m_window && m_window->isActiveWindow()) {
        QAccessibleEvent event(focus, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
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
