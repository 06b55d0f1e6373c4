#pragma once

class QLineEdit;

namespace koyomix {

// Keeps the input method (a Japanese IME, say) from starting in a field that takes only
// ASCII digits, so that a user who leaves the IME on still types 2001 and not ２００１.
void keepInputMethodOff(QLineEdit *field);

} // namespace koyomix
