#pragma once

class QLabel;

namespace koyomix {

// Lets the user select a result label's text with the mouse and copy it from a context
// menu, while the label never takes the keyboard focus: a field that gave up the focus
// would run its check, and a click on a result must not do that.
void makeResultCopyable(QLabel *label);

} // namespace koyomix
