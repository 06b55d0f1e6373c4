#include "checks/focusguard.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>

namespace koyomix {

FocusGuard::FocusGuard(QWidget *window) : m_window(window)
{
    const auto children = window->findChildren<QWidget *>();
    for (QWidget *child : children) {
        if (child->focusPolicy() & Qt::ClickFocus)
            child->installEventFilter(this);
    }
}

void FocusGuard::watch(QWidget *field, std::function<void()> lostFocus)
{
    m_fields.emplace_back(field, std::move(lostFocus));
    field->installEventFilter(this);
}

bool FocusGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        for (const auto &[field, lostFocus] : m_fields) {
            if (field == watched)
                fieldLostFocus(field, lostFocus, static_cast<QFocusEvent *>(event)->reason());
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (m_cancelPress) {
            m_cancelPress = false;
            if (auto *button = qobject_cast<QAbstractButton *>(watched))
                button->setDown(false);
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void FocusGuard::fieldLostFocus(QWidget *field, const std::function<void()> &lostFocus, int reason)
{
    if (m_checking || !m_window->isVisible())
        return;
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;

    {
        const QScopedValueRollback checking(m_checking, true);
        lostFocus();
    }

    // A rejecting handler has put the focus back; an accepting one left it where the user
    // sent it.
    if (m_window->focusWidget() != field)
        return;
    if (reason == Qt::MouseFocusReason) {
        // Qt gives the focus before it delivers the press, so the press comes right after
        // this returns. The timer only drops the flag should no press follow.
        m_cancelPress = true;
        QTimer::singleShot(0, this, [this] { m_cancelPress = false; });
    }
}

} // namespace koyomix
