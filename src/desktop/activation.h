#pragma once

class QWidget;

namespace koyomix {

// After a box of `window` has closed. Qt marks a box active as soon as it is mapped, so a box
// answered before the window manager has moved the keyboard focus to it (a busy machine, a key
// typed ahead) leaves Qt with no active window while the X server's focus never left `window`,
// and the keys that follow go nowhere. Qt is told only when the server says the focus is in
// `window`, asked at once and again the first time Qt has no active window (a window manager
// that focuses `window` while the box is closing): a window the user has gone to is never taken
// from. Elsewhere Qt hears of every activation from the window system, and nothing is done.
void keepActivation(QWidget *window);

} // namespace koyomix
