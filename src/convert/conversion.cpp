#include "convert/conversion.h"

#include "checks/fieldrules.h"
#include "dates/serialdate.h"

#include <optional>

namespace koyomix {

namespace {

Conversion noticeFor(QStringView text, DateField focus)
{
    return {text.toString(), focus, {}, {}};
}

// A year outside 1900-2999 or a day number outside 001-366 is refused with the notice of the
// field's own check, whatever route left it in the field. A text the check would still complete
// into another number ("5" for 2005) is outside the range as it stands: the range notice.
std::optional<Conversion> outsideRange(const FieldRule &rule, const QString &text, DateField field)
{
    const Verdict verdict = checkField(rule, text);
    if (!verdict.accepted)
        return noticeFor(verdict.text, field);
    if (verdict.text.toInt() != text.toInt())
        return noticeFor(rule.rangeNotice, field);
    return std::nullopt;
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
    if (auto refused = outsideRange(rules::chkYYYY, year, DateField::Year))
        return *refused;

    const QString dateText = year + u'/' + month + u'/' + day;
    if (!isDateText(dateText))
        return noticeFor(kImpossibleDate, DateField::Year);

    const SerialDate date = *dateFromText(dateText);
    // [1, 366], written with leading zeros to three digits.
    const int dayNumber = daysBetween(dateFromYMD(qint16(year.toInt()), 1, 1), date) + 1;
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
    if (auto refused = outsideRange(rules::chkYYYY2, year, DateField::Year))
        return *refused;
    if (auto refused = outsideRange(rules::chkDDD, dayOfYear, DateField::Day))
        return *refused;

    const qint16 yearNumber = qint16(year.toInt());
    const SerialDate result = addDays(dateFromYMD(yearNumber, 1, 1), dayOfYear.toInt() - 1);
    // Day 366 of a common year carries into the next year: an impossible date.
    if (yearOf(result) != yearNumber)
        return noticeFor(kImpossibleDate, DateField::Year);

    return {
        {}, DateField::None, formatDate(result, kCalendarPattern), formatDate(result, kEraPattern)};
}

} // namespace koyomix
