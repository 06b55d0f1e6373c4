#include "dates/serialdate.h"

#include "dates/asciidigit.h"
#include "dates/japaneseera.h"

#include <cstdlib>

namespace koyomix {

using namespace std::chrono;

namespace {

// Decimal value of text[from, from + count), all ASCII digits (checked by the caller).
int digitsValue(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return value;
}

// "yyyy/mm/dd" read as a real day, or nothing.
std::optional<year_month_day> readDateText(QStringView text)
{
    if (text.size() != 10 || text[4] != u'/' || text[7] != u'/')
        return std::nullopt;
    for (qsizetype i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isAsciiDigit(text[i]))
            return std::nullopt;
    const year_month_day ymd{year{digitsValue(text, 0, 4)},
                             month{static_cast<unsigned>(digitsValue(text, 5, 2))},
                             day{static_cast<unsigned>(digitsValue(text, 8, 2))}};
    // ok() knows month lengths and leap years; year 0000 is no date, in no calendar a user knows.
    if (!ymd.ok() || ymd.year() == year{0})
        return std::nullopt;
    return ymd;
}

// value in decimal, at least `width` digits with leading zeros, the sign before them.
void appendZeroPadded(QString &out, int number, int width)
{
    if (number < 0)
        out += u'-';
    out += QString::number(std::abs(qint64(number))).rightJustified(width, u'0');
}

} // namespace

bool isDateText(QStringView text)
{
    return readDateText(text).has_value();
}

std::optional<SerialDate> dateFromText(QStringView text)
{
    if (const auto ymd = readDateText(text))
        return SerialDate{*ymd};
    return std::nullopt;
}

SerialDate dateFromYMD(qint16 y, qint16 m, qint16 d)
{
    // The 1st plus the days, so a day past the month's end carries (chrono leaves it unspecified).
    return SerialDate{year{y} / month{static_cast<unsigned>(m)} / 1} + days{d - 1};
}

SerialDate addDays(SerialDate date, int n)
{
    return date + days{n};
}

int daysBetween(SerialDate from, SerialDate to)
{
    return static_cast<int>((to - from).count());
}

qint16 yearOf(SerialDate date)
{
    const int y = int(year_month_day{date}.year());
    Q_ASSERT(y >= -32767 && y <= 32767);
    return static_cast<qint16>(y);
}

QString formatDate(SerialDate date, QStringView pattern)
{
    const year_month_day ymd{date};
    const int y = int(ymd.year());
    const int m = static_cast<int>(unsigned(ymd.month()));
    const int d = static_cast<int>(unsigned(ymd.day()));

    // The era lookup is the one costly token: done at most once per call.
    std::optional<JapaneseEra> era;
    const auto eraOfDate = [&]() -> const JapaneseEra & {
        if (!era)
            era = japaneseEraOf(date);
        return *era;
    };

    QString out;
    out.reserve(pattern.size() + 8);
    for (qsizetype i = 0; i < pattern.size();) {
        const char16_t c = pattern[i].unicode();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c == u'y' && run == 4)
            appendZeroPadded(out, y, 4);
        else if ((c == u'm' || c == u'd') && run <= 2)
            appendZeroPadded(out, c == u'm' ? m : d, int(run));
        else if (c == u'g' && run == 3)
            out += eraOfDate().name;
        else if (c == u'e' && run == 1)
            appendZeroPadded(out, eraOfDate().year, 1);
        else if (c == u'a' && run == 3)
            out += japaneseWeekdayName(weekday{date});
        else
            out += pattern.mid(i, run);
        i += run;
    }
    return out;
}

} // namespace koyomix
