#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QAbstractButton;
class QLineEdit;
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
// focus or set a field's text by a call: each first checks the field that has the focus, as a
// click would, and a call's check runs once the call has returned, so that a tool waiting on
// its answer is never held by a notice. Nothing runs behind a notice.
class FocusGuard : public QObject
{
    Q_OBJECT

public:
    // Watches every control of `window` that takes the focus by a click.
    explicit FocusGuard(QWidget *window);

    void watch(QLineEdit *field, std::function<void()> lostFocus);
    void watchButton(QAbstractButton *button, std::function<void()> clicked);

    // A field's new text from a call: the focused field takes it at once; another, once the
    // call has returned, as if typed there and left, unless the focused field's check refuses.
    void editFromOutside(QLineEdit *field, const QString &text);

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
    bool fieldLostFocus(QWidget *field, const std::function<void()> &lostFocus, int reason);
    bool check(const std::function<void()> &lostFocus);
    void checkLater(QPointer<QWidget> field, const std::function<void()> &lostFocus);
    bool checkFocusedField();
    const std::function<void()> *handlerOf(const QObject *field) const;
    bool cancelRefusedClick(QEvent *event);

    QWidget *m_window;
    std::vector<std::pair<QWidget *, std::function<void()>>> m_fields;
    bool m_checking = false; // a handler runs (with its notice and its setFocus)
    int m_notices = 0;       // notices open
    int m_shown = 0;         // notices opened so far: a check that opened one refused
    // The control clicked into when a check refused the move, until that click has ended.
    QPointer<QWidget> m_refused;
    bool m_refusedPressSeen = false;
};

} // namespace koyomix
