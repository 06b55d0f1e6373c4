#pragma once

class QLineEdit;

namespace koyomix {

// Gives a digit field the program's own accessible text interface: Qt's own line-edit interface
// in everything but the text around an offset, which it answers for every boundary and offset
// at once (Qt 6.4's answer never returns for a word at the end of the text), and the attribute
// runs, one over the whole text. Every offset a client sends is clamped to the text; what Qt's
// AT-SPI adaptor does before asking is beyond it: GetRangeExtents asks characterRect for every
// offset of the client's range, InsertText first resizes the text to the client's length.
void useFieldTextInterface(QLineEdit *field);

} // namespace koyomix
