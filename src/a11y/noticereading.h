#pragma once

#include <QObject>
#include <QPointer>

class QAccessibleEvent;
class QMessageBox;
class QWidget;

namespace koyomix {

// Keeps a screen reader's focus on the control that really has the keyboard focus. Qt sends a
// focus event from every setFocus(), also from a move a field check refused (Tab runs the
// check in the old field's focus-out; its notice and its setFocus() back complete, and only
// then does Qt announce the field Tab was heading for), and around a notice the window's
// reactivation and the handler's own focus move add two more; a reader speaks the last one.
// So from hold() until the handler that called release() has returned, the focus events of
// the window are held back; then the control with the focus is announced once. Its owner
// makes one for its window and holds it as long as it watches the window.
class FocusEventHold : public QObject
{
public:
    explicit FocusEventHold(QWidget *window);
    ~FocusEventHold() override;

    void hold();
    void release();

private:
    static void filter(QAccessibleEvent *event);
    bool catches(const QAccessibleEvent *event) const;
    void announceFocus() const;

    QPointer<QWidget> m_window;
    bool m_holding = false;
    int m_releases = 0; // the last release asked for; an older queued one is stale
};

// Has a notice's message read once, with the OK button. A reader speaks a box's text when the
// box becomes its active window, but after a click it often takes the box for active before
// that event comes, and then says only "OK push button". So the message is the button's
// description, and the text label is the button's label, so that it is not read a second time.
void readNoticeOnce(QMessageBox &box);

} // namespace koyomix
