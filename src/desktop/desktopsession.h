#pragma once

class QApplication;

namespace koyomix {

// Before the application exists: in a GNOME Wayland session, runs through Xwayland when Qt has
// no title bar in GNOME's style to draw. The user's own QT_QPA_PLATFORM or
// QT_WAYLAND_DECORATION always wins.
void chooseWindowSystem();

// Before the application exists: the input method is reached through Qt's ibus or fcitx module
// where the user names one, and otherwise through none that starts the IME on its own.
void chooseInputMethod();

// Once the application exists: on Wayland, where Qt may draw the title bar itself, keeps each
// fixed-size window (the main window, every notice) at its size and its notice the window that
// answers keys.
void keepWindowsInPlace(QApplication &app);

} // namespace koyomix
