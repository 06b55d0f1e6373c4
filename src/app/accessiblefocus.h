#pragma once

class QWidget;

namespace koyomix {

// Keeps a screen reader's focus on the control that really has the keyboard focus.
//
// Qt sends an accessibility focus event from every setFocus(), also from one whose move a
// field check refused: Tab runs the check inside the old field's focus-out, the check's
// notice and its setFocus() back into the field complete, and only then does Qt announce
// the field that Tab was heading for. Around a notice, the window's reactivation and the
// handler's own focus move add two more events in a row, and a screen reader speaks the
// last one it sees. So for the controls of `window`, while a notice is open and until the
// handler that raised it has finished, focus events are held back; then the control that
// holds the focus is announced once.
void followRealFocus(QWidget *window);

// Held for the life of a notice (see followRealFocus).
class NoticeFocusScope
{
public:
    NoticeFocusScope();
    ~NoticeFocusScope();
    NoticeFocusScope(const NoticeFocusScope &) = delete;
    NoticeFocusScope &operator=(const NoticeFocusScope &) = delete;
};

} // namespace koyomix
