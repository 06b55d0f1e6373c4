#pragma once

class QMessageBox;
class QWidget;

namespace koyomix {

// Keeps a screen reader's focus on the control that really has the keyboard focus. Qt sends a
// focus event from every setFocus(), also from a move a field check refused (Tab runs the
// check in the old field's focus-out; its notice and its setFocus() back complete, and only
// then does Qt announce the field Tab was heading for), and around a notice the window's
// reactivation and the handler's own focus move add two more; a reader speaks the last one.
// So from holdFocusEvents() until the handler that called releaseFocusEvents() has returned,
// the focus events of `window` are held back; then the control with the focus is announced once.
// Its owner follows one window at a time, and nullptr ends the following.
void followRealFocus(QWidget *window);
void holdFocusEvents();
void releaseFocusEvents();

// Has a notice's message read once, with the OK button. A reader speaks a box's text when the
// box becomes its active window, but after a click it often takes the box for active before
// that event comes, and then says only "OK push button". So the message is the button's
// description, and the text label is the button's label, so that it is not read a second time.
void readNoticeOnce(QMessageBox &box);

} // namespace koyomix
