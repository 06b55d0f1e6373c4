#pragma once

class QLabel;

namespace koyomix {

// Lets the user select a result label's text with the mouse and copy it from a context menu; the
// label never takes the keyboard focus, for a field giving it up would run its check.
void makeResultCopyable(QLabel *label);

} // namespace koyomix
