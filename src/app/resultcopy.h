#pragma once

class QLabel;
class QMenu;
class QPoint;

namespace koyomix {

// Lets the user select a result label's text with the mouse and copy it from a context
// menu, while the label never takes the keyboard focus: a field that gave up the focus
// would run its check, and a click on a result must not do that.
void makeResultCopyable(QLabel *label);

// Opens the result's context menu at globalPos (a popup that deletes itself on closing)
// and returns it.
QMenu *showResultMenu(QLabel *label, const QPoint &globalPos);

// What "コピー(&C)" puts on the clipboard: the selected part of the result, or all of it
// when nothing is selected.
void copyResult(const QLabel *label);

} // namespace koyomix
