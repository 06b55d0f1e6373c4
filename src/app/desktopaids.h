#pragma once

namespace Ui {
class Form1;
}

namespace koyomix {

// What the window offers beyond its conversions: names that a screen reader speaks, digit
// fields whose text a screen reader can read and that keep the IME off, and result labels
// whose text can be copied.
void prepareForDesktop(Ui::Form1 &ui);

} // namespace koyomix
