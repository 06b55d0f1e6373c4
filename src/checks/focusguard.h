#pragma once

#include <QObject>

#include <functional>
#include <vector>

class QWidget;

namespace koyomix {

// Decides when a field's lost-focus handler runs, so that a check that rejects its field
// (modal notice, then the focus put back) cannot start a chain of further checks.
//
// A field is checked when the focus leaves it for another control of its window: Tab,
// Shift+Tab, a click, a programmatic move. Not when the whole window loses activation or a
// popup (a context menu) opens over the field: the user has not left the field.
//
// Traps this guards against, all seen with Qt 6.4: the modal notice, opening inside the
// focus-out, sends a focus-out to the control that was just receiving the focus; the
// setFocus() that puts the focus back sends one more; a click that took the focus is still
// delivered to its button after the notice has closed, leaving it drawn pressed or clicking
// it. So while a handler runs no other field is checked, and a click whose focus move a
// check refused never reaches its control.
//
// Nothing needs guarding after the handler: when the window is reactivated only after the
// notice is gone, the refused field is already the window's focus child, so reactivation
// gives the focus straight back to it and no other control gains or loses it on the way.
class FocusGuard : public QObject
{
    Q_OBJECT

public:
    // Watches every control of `window` that takes the focus by a click.
    explicit FocusGuard(QWidget *window);

    void watch(QWidget *field, std::function<void()> lostFocus);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fieldLostFocus(QWidget *field, const std::function<void()> &lostFocus, int reason);

    QWidget *m_window;
    std::vector<std::pair<QWidget *, std::function<void()>>> m_fields;
    bool m_checking = false;    // a handler runs (with its notice and its setFocus)
    bool m_cancelPress = false; // the press that started a refused move is still to come
};

} // namespace koyomix
