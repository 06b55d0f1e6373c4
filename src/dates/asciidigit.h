#pragma once

#include <QChar>

namespace koyomix {

// 0 to 9 only. QChar::isDigit also takes full-width digits and those of other scripts,
// which no field, date text or day number of this program accepts.
constexpr bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace koyomix
