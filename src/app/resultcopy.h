#pragma once

#include <initializer_list>

class QLabel;
class QWidget;

namespace koyomix {

// Lets the user select a result label's text with the mouse and copy it from a context menu, and
// an assistive tool copy it by the label's action; the label never takes the keyboard focus, for
// a field giving it up would run its check.
void makeResultCopyable(QLabel *label);

// Copies a row's two results from the keyboard: Ctrl+Shift+C with the focus in a control of the
// row, also shown in each field's context menu, which Shift+F10 opens as the Menu key does.
void makeRowResultsCopyable(std::initializer_list<QWidget *> row, QLabel *first, QLabel *second);

} // namespace koyomix
