#include "dates/japaneseera.h"

#include <unicode/calendar.h>
#include <unicode/dtfmtsym.h>
#include <unicode/gregocal.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <limits>
#include <memory>
#include <vector>

namespace koyomix {

namespace {

QString toQString(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// Built on first use: loading ICU's calendar data costs milliseconds that start-up must not pay.
class EraCalendar
{
public:
    EraCalendar()
    {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Locale locale("ja_JP@calendar=japanese");
        // Pinned to GMT: a SerialDate means midnight UTC, the day before in a machine zone west of
        // Greenwich (or in Pacific/Kiritimati before 1995, when it crossed the date line).
        m_calendar.reset(
            icu::Calendar::createInstance(icu::TimeZone::getGMT()->clone(), locale, status));
        if (U_FAILURE(status))
            m_calendar.reset();
        // ICU switches to the Julian calendar before October 1582; chrono never does.
        // Proleptic Gregorian keeps both on the same days for any text that gets here.
        if (auto *gregorian = dynamic_cast<icu::GregorianCalendar *>(m_calendar.get())) {
            status = U_ZERO_ERROR;
            gregorian->setGregorianChange(-std::numeric_limits<double>::max(), status);
        }

        // The two-argument constructor would silently give the Gregorian era names
        // (紀元前/西暦); the calendar type has to be named.
        status = U_ZERO_ERROR;
        const icu::DateFormatSymbols symbols(locale, "japanese", status);
        if (U_FAILURE(status))
            return;
        int32_t count = 0;
        const icu::UnicodeString *eras = symbols.getEraNames(count);
        for (int32_t i = 0; eras && i < count; ++i)
            m_eraNames.push_back(toQString(eras[i]));
        // Index 1 is Sunday; ICU's abbreviated Japanese names are one character each.
        const icu::UnicodeString *weekdays = symbols.getShortWeekdays(count);
        for (int32_t i = 1; weekdays && i < count; ++i)
            m_weekdayNames.push_back(toQString(weekdays[i]));
    }

    JapaneseEra eraOf(SerialDate date)
    {
        if (!m_calendar)
            return {};
        UErrorCode status = U_ZERO_ERROR;
        constexpr double msPerDay = 86400000.0;
        m_calendar->setTime(double(date.time_since_epoch().count()) * msPerDay, status);
        // Numeric fields, not ICU's formatter: with 年 in a pattern the formatter writes
        // the first year of an era as 元, and this program writes 1.
        const int32_t era = m_calendar->get(UCAL_ERA, status);
        const int32_t eraYear = m_calendar->get(UCAL_YEAR, status);
        if (U_FAILURE(status))
            return {};
        // Era names older than ICU's calendar rules may give an index past the list.
        if (era < 0 || std::size_t(era) >= m_eraNames.size())
            return {QString(), eraYear};
        return {m_eraNames[std::size_t(era)], eraYear};
    }

    QString weekdayName(std::chrono::weekday weekday) const
    {
        const unsigned index = weekday.c_encoding(); // 0 is Sunday
        return index < m_weekdayNames.size() ? m_weekdayNames[index] : QString();
    }

private:
    std::unique_ptr<icu::Calendar> m_calendar;
    std::vector<QString> m_eraNames;
    std::vector<QString> m_weekdayNames;
};

EraCalendar &eraCalendar()
{
    static EraCalendar calendar;
    return calendar;
}

} // namespace

JapaneseEra japaneseEraOf(SerialDate date)
{
    return eraCalendar().eraOf(date);
}

QString japaneseWeekdayName(std::chrono::weekday weekday)
{
    return eraCalendar().weekdayName(weekday);
}

} // namespace koyomix
