#include "checks/focusguard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <memory>

namespace koyomix {

FocusGuard::FocusGuard(QWidget *window) : m_window(window)
{
    const auto children = window->findChildren<QWidget *>(); // const: a loop would detach it
    for (QWidget *child : children)
        if (child->focusPolicy() & Qt::ClickFocus)
            child->installEventFilter(this);
}

void FocusGuard::watch(QWidget *field, std::function<void()> lostFocus)
{
    m_fields.emplace_back(field, std::move(lostFocus));
    field->installEventFilter(this);
}

void FocusGuard::watchButton(QAbstractButton *button, std::function<void()> clicked)
{
    // A press always comes before its click, by mouse, key or accessibility action.
    auto pressedInNotice = std::make_shared<bool>(false);
    connect(button, &QAbstractButton::pressed, this,
            [this, pressedInNotice] { *pressedInNotice = m_notices > 0; });
    connect(button, &QAbstractButton::clicked, this,
            [this, pressedInNotice, clicked = std::move(clicked)] {
                if (m_notices == 0 && !*pressedInNotice)
                    clicked();
            });
}

FocusGuard::Notice::Notice(FocusGuard &guard)
    : m_guard(guard), m_focus(guard.m_window->focusWidget())
{
    ++m_guard.m_notices;
}

FocusGuard::Notice::~Notice()
{
    // Still counted as open, so that putting the focus back checks no field.
    if (m_guard.m_notices == 1 && m_focus && m_guard.m_window->focusWidget() != m_focus)
        m_focus->setFocus(Qt::OtherFocusReason);
    --m_guard.m_notices;
}

bool FocusGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        for (const auto &[field, lostFocus] : m_fields)
            if (field == watched)
                fieldLostFocus(field, lostFocus, static_cast<QFocusEvent *>(event)->reason());
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::ContextMenu:
        if (watched == m_refused && cancelRefusedClick(event))
            return true;
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (watched != m_window->focusWidget() &&
            std::any_of(m_fields.begin(), m_fields.end(),
                        [watched](const auto &field) { return field.first == watched; })) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// True when the event belongs to the refused click and is dropped.
bool FocusGuard::cancelRefusedClick(QEvent *event)
{
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (press && m_refusedPressSeen) { // a new click: the refused one ended unseen
        m_refused = nullptr;
        return false;
    }
    if (press) {
        m_refusedPressSeen = true;
        if (auto *button = qobject_cast<QAbstractButton *>(m_refused))
            button->setDown(false);
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton)
        m_refused = nullptr;
    return true;
}

void FocusGuard::fieldLostFocus(QWidget *field, const std::function<void()> &lostFocus, int reason)
{
    if (m_checking || m_notices > 0 || !m_window->isVisible() ||
        reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return;

    // Where the focus is going: for a click, the control clicked into.
    QWidget *target = QApplication::focusWidget();
    {
        const QScopedValueRollback checking(m_checking, true);
        lostFocus();
    }

    // A rejecting handler has put the focus back; an accepting one left it where the user sent it.
    if (m_window->focusWidget() != field || reason != Qt::MouseFocusReason)
        return;
    // Qt gives the focus before it delivers the press, so the press, and with a right-click
    // the context menu, come right after this returns. The release comes then too, or it came
    // while the notice blocked the window; the timer ends the cancel once no button is held.
    m_refused = target;
    m_refusedPressSeen = false;
    QTimer::singleShot(0, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton)
            m_refused = nullptr;
    });
}

} // namespace koyomix
