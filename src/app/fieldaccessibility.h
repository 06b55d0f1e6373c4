#pragma once

class QLineEdit;

namespace koyomix {

// Gives a digit field the program's own accessible text interface: Qt's own line-edit interface
// in everything but the text around an offset, which it answers for every boundary and offset
// at once (Qt 6.4's answer never returns for a word at the end of the text), and the attribute
// runs, one over the whole text.
void useFieldTextInterface(QLineEdit *field);

} // namespace koyomix
