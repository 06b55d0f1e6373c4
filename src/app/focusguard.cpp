#include "app/focusguard.h"

#include "a11y/noticereading.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <chrono>
#include <memory>
#include <utility>

namespace koyomix {

namespace {

// A client sends the calls of one edit within milliseconds of each other, also when it waits
// for each answer; a pause this long ends the edit, and the field is checked as left.
constexpr std::chrono::milliseconds kClientPause{300};

} // namespace

FocusGuard::FocusGuard(QWidget *window) : m_window(window)
{
    followRealFocus(window);
    const auto children = window->findChildren<QWidget *>(); // const: a loop would detach it
    for (QWidget *child : children)
        if (child->focusPolicy() & Qt::ClickFocus)
            child->installEventFilter(this);
    m_pause.setSingleShot(true);
    m_pause.setInterval(kClientPause);
    connect(&m_pause, &QTimer::timeout, this, [this] {
        if (m_notices == 0) // else once the notices have closed
            leaveVisited();
    });
}

FocusGuard::~FocusGuard()
{
    followRealFocus(nullptr);
    for (const auto &[field, lostFocus] : m_fields.asKeyValueRange())
        routeFieldEdits(static_cast<QLineEdit *>(field), nullptr);
}

void FocusGuard::watch(QLineEdit *field, std::function<void()> lostFocus)
{
    m_fields.insert(field, std::move(lostFocus));
    field->installEventFilter(this);
    // A client's edit of the field it is in, with nothing it asked before waiting, is taken at
    // once, as typing; any other waits until the call has returned.
    routeFieldEdits(field, [this, field](FieldEdit edit) {
        if (!m_window->isVisible()) // not shown yet: nothing to check it against
            return field->setText(edit());
        const bool typed =
            m_later.empty() && field == (m_visited ? m_visited : m_window->focusWidget());
        m_later.emplace_back(field, std::move(edit));
        typed ? runLater() : QTimer::singleShot(0, this, &FocusGuard::runLater);
    });
}

void FocusGuard::watchButton(QAbstractButton *button, std::function<void()> clicked)
{
    // A press always comes before its click, by mouse, key or accessibility action.
    auto pressedInNotice = std::make_shared<bool>(false);
    connect(button, &QAbstractButton::pressed, this,
            [this, pressedInNotice] { *pressedInNotice = m_notices > 0; });
    connect(button, &QAbstractButton::clicked, this,
            [this, pressedInNotice, clicked = std::move(clicked)] {
                if (m_notices > 0 || *pressedInNotice)
                    return;
                // A press that took no focus (a call, not a click) checks first what a user
                // would have left: what calls asked before it, the field a client edited, the
                // focused field.
                const int shown = m_shown;
                runLater();
                if (m_shown != shown || !leaveVisited() || !check(m_window->focusWidget()))
                    return;
                const QScopedValueRollback checking(m_checking, true);
                clicked();
            });
}

void FocusGuard::watchCommand(QAction *command, std::function<void()> triggered)
{
    connect(command, &QAction::triggered, this, [this, triggered = std::move(triggered)] {
        if (m_notices == 0)
            triggered();
    });
}

// What calls asked for, in order, once they have returned and no notice is open; nothing for a
// window that has gone. An edit of another field leaves the field the client was in (or the
// focused field), which is checked; a refusal's notice answers all asked after it, dropped.
// An edit of the field the client is in is taken as typed.
void FocusGuard::runLater()
{
    if (!m_window->isVisible())
        m_later.clear();
    while (m_notices == 0 && !m_later.empty()) {
        const auto [field, edit] = std::move(m_later.front());
        m_later.erase(m_later.begin());
        QWidget *focus = m_window->focusWidget();
        QWidget *in = m_visited ? m_visited : focus;
        // A call's focus move is checked unless the focus has come back.
        if (!(edit ? field == in || check(in) : field == focus || check(field))) {
            m_later.clear();
            m_visited = nullptr;
        } else if (edit) {
            m_visited = field == focus ? nullptr : field;
            field->setText(edit());
        }
    }
    if (m_visited && m_later.empty())
        m_pause.start();
}

// The field a client edited is left: checked, unless the focus has gone into it meanwhile or
// the window has gone.
bool FocusGuard::leaveVisited()
{
    m_pause.stop();
    QWidget *visited = std::exchange(m_visited, nullptr);
    return !visited || visited == m_window->focusWidget() || !m_window->isVisible() ||
           check(visited);
}

// Runs the lost-focus handler of `field`, if it is a field; true when it accepted (no notice).
bool FocusGuard::check(QWidget *field)
{
    const std::function<void()> lostFocus = m_fields.value(field); // a copy: its notice runs a loop
    const int shown = m_shown;
    const QScopedValueRollback checking(m_checking, true);
    if (lostFocus)
        lostFocus();
    return m_shown == shown;
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
    if (--m_guard.m_notices == 0) {
        releaseFocusEvents();
        if (m_guard.pending())
            QTimer::singleShot(0, &m_guard, &FocusGuard::runLater);
    }
}

bool FocusGuard::eventFilter(QObject *watched, QEvent *event)
{
    const bool field = m_fields.contains(watched);
    switch (event->type()) {
    case QEvent::FocusOut:
        // The focus-out that a refusal answered is consumed: the field, which has the focus
        // again, keeps its caret and selection and emits no editingFinished.
        if (field && fieldLostFocus(static_cast<QLineEdit *>(watched),
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
        if (field && watched != m_window->focusWidget()) {
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

// True when the check refused and put the focus back into the field.
bool FocusGuard::fieldLostFocus(QLineEdit *field, int reason)
{
    if (m_checking || m_notices > 0 || reason == Qt::ActiveWindowFocusReason ||
        reason == Qt::PopupFocusReason)
        return false;
    // Moved by a call (an assistive tool's, say): checked once the call has returned.
    if (reason == Qt::OtherFocusReason) {
        m_later.emplace_back(field, FieldEdit());
        QTimer::singleShot(0, this, &FocusGuard::runLater);
        return false;
    }

    // Where the focus is going: for a click, the control clicked into.
    QWidget *target = QApplication::focusWidget();
    if (check(field) || m_window->focusWidget() != field)
        return false;
    if (reason != Qt::MouseFocusReason)
        return true;
    // Qt gives the focus before it delivers the press, in the same call, so the press, and
    // with a right-click the context menu, come right after this returns. The release comes
    // then too, or it came while the notice blocked the window; the timer ends the cancel once
    // no button is held, or at once when no press came (the focus was given for another one).
    m_refused = target;
    m_refusedPressSeen = false;
    QTimer::singleShot(0, this, [this] {
        if (!m_refusedPressSeen || QGuiApplication::mouseButtons() == Qt::NoButton)
            m_refused = nullptr;
    });
    return true;
}

} // namespace koyomix
