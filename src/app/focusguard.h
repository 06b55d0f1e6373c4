#pragma once

#include "a11y/accessiblefactory.h"

#include <QHash>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

class QAbstractButton;
class QAction;
class QWidget;

namespace koyomix {

// Decides when the window's handlers run, whatever route reached the window: lost-focus
// handlers, so that a rejecting check (notice, focus put back) starts no chain of checks, and
// click handlers, so that none runs behind a notice or on a field no check has seen.
//
// A field is checked when the focus leaves it for another control of its window (Tab, a click, a
// call's move), not when the window loses activation or a popup (a context menu) opens over it.
//
// Traps, all seen with Qt 6.4: the notice, opening inside the focus-out, sends a focus-out to
// the control that was just receiving the focus, and the setFocus() that puts the focus back
// sends one more; a click that took the focus is still delivered to its control after the
// notice has closed (a button left drawn pressed or clicked, a context menu, a middle-button
// paste). So while a handler runs no other field is checked, and a click whose focus move a
// check refused never reaches its control: not its press, menu, moves or release.
//
// An assistive tool's press takes no focus (its click lands 100 ms later), and it may move the
// focus or edit a field by a call. A press first checks the fields a user would have left. A
// call's focus move and an edit of a field without the focus wait in one queue, in order, until
// the call has returned and no notice is open, so that a tool waiting on its answer is never
// held by a notice; an edit of the focused field is taken at once, as typing.
class FocusGuard : public QObject
{
    Q_OBJECT

public:
    // Watches every control of `window` that takes the focus by a click.
    explicit FocusGuard(QWidget *window);
    ~FocusGuard() override;

    // Also routes the field's edits from outside through the guard.
    void watch(QLineEdit *field, std::function<void()> lostFocus);
    void watchButton(QAbstractButton *button, std::function<void()> clicked);
    // A command that checks no field (the about box): run when triggered, by its key, a click or
    // an assistive tool, unless a notice is open.
    void watchCommand(QAction *command, std::function<void()> triggered);

    // True while a notice is open, or a check or an edit from outside waits to run.
    bool pending() const { return m_notices > 0 || !m_later.empty() || m_visited; }

    // Held for the life of every notice: the one count of open notices.
    class Notice
    {
    public:
        explicit Notice(FocusGuard &guard);
        ~Notice();
        Notice(const Notice &) = delete;
        Notice &operator=(const Notice &) = delete;

    private:
        FocusGuard &m_guard;
        QPointer<QWidget> m_focus;
    };

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void runLater();
    bool leaveVisited();
    bool fieldLostFocus(QLineEdit *field, int reason);
    bool check(QWidget *field);
    bool cancelRefusedClick(QEvent *event);

    QWidget *m_window;
    QHash<QObject *, std::function<void()>> m_fields; // the fields (they outlive the guard)
    bool m_checking = false; // a handler runs (with its notice and its setFocus)
    int m_notices = 0;       // notices open
    int m_shown = 0;         // notices opened so far: a check that opened one refused
    // What calls asked for, in order: an edit of a field, or with no edit, the check of a field
    // a call moved the focus from.
    // A vector: a deque grows its map by a memmove that _FORTIFY_SOURCE cannot check.
    std::vector<std::pair<QLineEdit *, FieldEdit>> m_later;
    // The field a client's edits went to without moving the focus: checked as left once the
    // client has paused (m_pause, the guard's one child timer) or before a press.
    QLineEdit *m_visited = nullptr;
    QTimer m_pause{this};
    // The control clicked into when a check refused the move, until that click has ended.
    QPointer<QWidget> m_refused;
    bool m_refusedPressSeen = false;
};

} // namespace koyomix
