#pragma once

// Calendar days and the operations both conversions share: the calendar, ordinal and era-style
// dates all convert to and from one day count, SerialDate; all day arithmetic is std::chrono's.

#include <QString>
#include <QStringView>

#include <chrono>
#include <optional>

namespace koyomix {

// A calendar day as a count of days since 1970-01-01 (proleptic Gregorian), no time of day.
using SerialDate = std::chrono::sys_days;

// The two result patterns of formatDate.
inline constexpr QStringView kCalendarPattern = u"yyyy/mm/dd";
inline constexpr QStringView kEraPattern = u"ggge年m月d日 (aaa)";

// True for exactly four ASCII digits, "/", two digits, "/", two digits naming a real day of years
// 0001-9999 (no year 0); false for all else: blanks, other separators, short parts, full-width.
bool isDateText(QStringView text);

// The day that a text accepted by isDateText names; no value for any other text.
std::optional<SerialDate> dateFromText(QStringView text);

// The day year/month/day. Defined for year [-32767, 32767], month [1, 12], day [1, 31];
// a day past the end of its month carries into the next month.
SerialDate dateFromYMD(qint16 year, qint16 month, qint16 day);

// The day n days after date (before it when n < 0).
SerialDate addDays(SerialDate date, int n);

// Days from `from` to `to`, negative when `to` is earlier.
int daysBetween(SerialDate from, SerialDate to);

// The Gregorian year of a day. Precondition: the day lies in the years [-32767, 32767], where
// chrono's year is exact; outside them it overflows 16 bits and may wrap to a plausible year.
qint16 yearOf(SerialDate date);

// The date written under a pattern read left to right. Tokens: yyyy (four-digit year), mm / dd
// (two-digit month / day), m / d (no leading zero), ggg (era name), e (era year; the first is 1),
// aaa (one-character weekday, 日 to 土). Other text is copied, non-token letter runs too.
QString formatDate(SerialDate date, QStringView pattern);

} // namespace koyomix
