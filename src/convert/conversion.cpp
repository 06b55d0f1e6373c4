#include "convert/conversion.h"

#include "dates/asciidigit.h"
#include "dates/serialdate.h"

#include <algorithm>
#include <limits>
#include <optional>

namespace koyomix {

namespace {

Conversion noticeFor(QStringView text, DateField focus)
{
    return {text.toString(), focus, {}, {}};
}

// An optional sign, then ASCII digits only: the handlers never trim, so blanks make no number.
template <typename Int> std::optional<Int> wholeNumber(QStringView text)
{
    const QStringView digits = text.startsWith(u'-') || text.startsWith(u'+') ? text.mid(1) : text;
    if (digits.isEmpty() || !std::all_of(digits.begin(), digits.end(), isAsciiDigit))
        return std::nullopt;
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(value);
}

} // namespace

Conversion calendarToOrdinal(const QString &year, const QString &month, const QString &day)
{
    if (year.isEmpty() && month.isEmpty() && day.isEmpty())
        return {};
    if (year.isEmpty())
        return noticeFor(kYearMissing, DateField::Year);
    if (month.isEmpty())
        return noticeFor(kMonthMissing, DateField::Month);
    if (day.isEmpty())
        return noticeFor(kDayMissing, DateField::Day);

    const QString dateText = year + u'/' + month + u'/' + day;
    // Taken before the validity test. A year text that is no year (only left in a field
    // whose check refused it) gives no start of year: that is an impossible date too.
    const std::optional<SerialDate> startOfYear = dateFromText(year + QStringLiteral("/01/01"));
    if (!startOfYear || !isDateText(dateText))
        return noticeFor(kImpossibleDate, DateField::Year);

    const SerialDate date = *dateFromText(dateText);
    // [1, 366], written with leading zeros to three digits.
    const int dayNumber = daysBetween(*startOfYear, date) + 1;
    const QString dayText = QString::number(dayNumber).rightJustified(3, u'0');
    return {{}, DateField::None, year + u'/' + dayText, formatDate(date, kEraPattern)};
}

Conversion ordinalToCalendar(const QString &year, const QString &dayOfYear)
{
    if (year.isEmpty() && dayOfYear.isEmpty())
        return {};
    if (year.isEmpty())
        return noticeFor(kYearMissing, DateField::Year);
    if (dayOfYear.isEmpty())
        return noticeFor(kDayMissing, DateField::Day);

    // A year that is no whole 16-bit number, or a day text that is no number, is left only by a
    // refused check and is an impossible date; -32768 is the one 16-bit year chrono cannot hold.
    const std::optional<qint16> yearNumber = wholeNumber<qint16>(year);
    const std::optional<int> dayNumber = wholeNumber<int>(dayOfYear);
    if (!yearNumber || *yearNumber < int(std::chrono::year::min()) || !dayNumber)
        return noticeFor(kImpossibleDate, DateField::Year);

    // Only years 0001-9999 are written (yyyy); a day number taking the date outside them is
    // impossible. Tested before adding: with a 32-bit std::chrono::days, firstDay plus a huge
    // number overflows. Both bounds lie within about 12 million days of firstDay, far inside int.
    using namespace std::chrono;
    const SerialDate firstDay = dateFromYMD(*yearNumber, 1, 1);
    const int lowest = daysBetween(firstDay, SerialDate{std::chrono::year{1} / January / 1}) + 1;
    const int highest =
        daysBetween(firstDay, SerialDate{std::chrono::year{9999} / December / 31}) + 1;
    if (*dayNumber < lowest || *dayNumber > highest)
        return noticeFor(kImpossibleDate, DateField::Year);
    const SerialDate result = addDays(firstDay, *dayNumber - 1);
    // Compared as texts: a year written otherwise than its plain decimal form (leading
    // zero, sign) is impossible, like a day number that carried into another year.
    if (year != QString::number(yearOf(result)))
        return noticeFor(kImpossibleDate, DateField::Year);

    return {
        {}, DateField::None, formatDate(result, kCalendarPattern), formatDate(result, kEraPattern)};
}

} // namespace koyomix
