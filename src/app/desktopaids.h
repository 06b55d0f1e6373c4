#pragma once

class QMessageBox;
namespace Ui {
class Form1;
}

namespace koyomix {

// What the window offers beyond its conversions: names that a screen reader speaks, digit
// fields whose text a screen reader can read and that keep the IME off, and result labels
// whose text can be copied.
void prepareForDesktop(Ui::Form1 &ui);

// Lets a screen reader speak a notice's message with its OK button, however the notice was
// raised. A reader speaks a message box's text when the box becomes its active window, but
// after a mouse click it often takes the box for active before that event arrives, and then
// says only "OK push button". So the message is the button's description, and the text
// label is marked as the button's label so that it is not read a second time with the box.
void describeNoticeForScreenReaders(QMessageBox &box);

} // namespace koyomix
