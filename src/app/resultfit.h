#pragma once

class QLabel;
class QString;

namespace koyomix {

// Writes a result into its label, drawn condensed just enough when the label's font would run it
// past the label's right edge, as an era year of three digits (from 2118) with a two-digit month
// and day does in IPAPGothic, the substitute for the layout's font: its digits are wider.
void showResult(QLabel *label, const QString &text);

} // namespace koyomix
