#include "app/focusguard.h"

#include "a11y/noticereading.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>

#include <memory>

namespace koyomix {

FocusGuard::FocusGuard(QWidget *window) : m_window(window)
{
    const auto children = window->findChildren<QWidget *>(); // const: a loop would detach it
    for (QWidget *child : children)
        if (child->focusPolicy() & Qt::ClickFocus)
            child->installEventFilter(this);
}

void FocusGuard::watch(QLineEdit *field, std::function<void()> lostFocus)
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
                // A press that took no focus (a call, not a click) checks the field first.
                if (m_notices > 0 || *pressedInNotice || !checkFocusedField())
                    return;
                const QScopedValueRollback checking(m_checking, true);
                clicked();
            });
}

void FocusGuard::editFromOutside(QLineEdit *field, const QString &text)
{
    if (m_window->focusWidget() == field || !m_window->isVisible()) {
        field->setText(text);
        return;
    }
    QTimer::singleShot(0, this, [this, field = QPointer(field), text] {
        if (!field || m_notices > 0 || !checkFocusedField())
            return;
        field->setText(text);
        if (const auto *lostFocus = handlerOf(field))
            check(*lostFocus);
    });
}

// Runs a lost-focus handler; true when it accepted (it opened no notice).
bool FocusGuard::check(const std::function<void()> &lostFocus)
{
    const int shown = m_shown;
    const QScopedValueRollback checking(m_checking, true);
    lostFocus();
    return m_shown == shown;
}

bool FocusGuard::checkFocusedField()
{
    const auto *lostFocus = handlerOf(m_window->focusWidget());
    return !lostFocus || check(*lostFocus);
}

const std::function<void()> *FocusGuard::handlerOf(const QObject *field) const
{
    for (const auto &[watched, lostFocus] : m_fields)
        if (watched == field)
            return &lostFocus;
    return nullptr;
}

FocusGuard::Notice::Notice(FocusGuard &guard)
    : m_guard(guard), m_focus(guard.m_window->focusWidget())
{
    ++m_guard.m_shown;
    if (m_guard.m_notices++ == 0)
        holdFocusEvents();
}

FocusGuard::Notice::~Notice()
{
    // Still counted as open, so that putting the focus back checks no field.
    if (m_guard.m_notices == 1 && m_focus && m_guard.m_window->focusWidget() != m_focus)
        m_focus->setFocus(Qt::OtherFocusReason);
    if (--m_guard.m_notices == 0)
        releaseFocusEvents();
}

bool FocusGuard::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::FocusOut:
        // The focus-out that a refusal answered is consumed: the field, which has the focus
        // again, keeps its caret and selection and emits no editingFinished.
        if (const auto *lostFocus = handlerOf(watched);
            lostFocus && fieldLostFocus(static_cast<QWidget *>(watched), *lostFocus,
                                        static_cast<QFocusEvent *>(event)->reason()))
            return true;
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
        if (watched != m_window->focusWidget() && handlerOf(watched)) {
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

// Once the caller has returned, and after any notice that opened meanwhile, unless the focus
// has come back to the field by then.
void FocusGuard::checkLater(QPointer<QWidget> field, const std::function<void()> &lostFocus)
{
    QTimer::singleShot(m_notices > 0 ? 50 : 0, this, [this, field, lostFocus] {
        if (field && m_window->focusWidget() != field)
            m_notices > 0 ? checkLater(field, lostFocus) : void(check(lostFocus));
    });
}

// True when the check refused and put the focus back into the field.
bool FocusGuard::fieldLostFocus(QWidget *field, const std::function<void()> &lostFocus, int reason)
{
    if (m_checking || m_notices > 0 || reason == Qt::ActiveWindowFocusReason ||
        reason == Qt::PopupFocusReason)
        return false;
    // Moved by a call (an assistive tool's, say): checked once the call has returned.
    if (reason == Qt::OtherFocusReason) {
        checkLater(field, lostFocus);
        return false;
    }

    // Where the focus is going: for a click, the control clicked into.
    QWidget *target = QApplication::focusWidget();
    if (check(lostFocus) || m_window->focusWidget() != field)
        return false;
    if (reason != Qt::MouseFocusReason)
        return true;
    // Qt gives the focus before it delivers the press, so the press, and with a right-click
    // the context menu, come right after this returns. The release comes then too, or it came
    // while the notice blocked the window; the timer ends the cancel once no button is held.
    m_refused = target;
    m_refusedPressSeen = false;
    QTimer::singleShot(0, this, [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton)
            m_refused = nullptr;
    });
    return true;
}

} // namespace koyomix
