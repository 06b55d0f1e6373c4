#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

class QAbstractButton;
class QWidget;

namespace koyomix {

// Decides when the window's handlers run: lost-focus handlers, so that a rejecting check (notice,
// focus put back) starts no chain of checks, and click handlers, so that none runs behind a notice.
//
// A field is checked when the focus leaves it for another control of its window (Tab, Shift+Tab, a
// click, a programmatic move), not when the window loses activation or a popup (a context menu)
// opens over it: the user has not left the field. When the window is reactivated only after the
// notice is gone, the refused field is already its focus child, so nothing needs guarding after the
// handler.
//
// Traps, all seen with Qt 6.4: the notice, opening inside the focus-out, sends a focus-out to
// the control that was just receiving the focus, and the setFocus() that puts the focus back
// sends one more; a click that took the focus is still delivered to its control after the
// notice has closed (a button left drawn pressed or clicked, a context menu, a middle-button
// paste). So while a handler runs no other field is checked, and a click whose focus move a
// check refused never reaches its control: not its press, menu, moves or release.
//
// A notice blocks keys and clicks, but not an assistive tool's requests: a button press (the
// click lands 100 ms later) or a focus move (silent while the window is inactive). So while a
// notice is open no handler runs, a click pressed then is dropped, and the focus is put back
// when the notice closes. Text dropped on a field reaches it only while it has the focus.
class FocusGuard : public QObject
{
    Q_OBJECT

public:
    // Watches every control of `window` that takes the focus by a click.
    explicit FocusGuard(QWidget *window);

    void watch(QWidget *field, std::function<void()> lostFocus);
    void watchButton(QAbstractButton *button, std::function<void()> clicked);

    // Held for the life of a notice.
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
    void fieldLostFocus(QWidget *field, const std::function<void()> &lostFocus, int reason);
    bool cancelRefusedClick(QEvent *event);

    QWidget *m_window;
    std::vector<std::pair<QWidget *, std::function<void()>>> m_fields;
    bool m_checking = false; // a handler runs (with its notice and its setFocus)
    int m_notices = 0;       // notices open
    // The control clicked into when a check refused the move, until that click has ended.
    QPointer<QWidget> m_refused;
    bool m_refusedPressSeen = false;
};

} // namespace koyomix
