#pragma once

// The host's Japanese calendar (ICU), behind two small lookups used by formatDate.

#include "dates/serialdate.h"

namespace koyomix {

struct JapaneseEra
{
    QString name; // full era name, e.g. 平成; empty when the calendar cannot name one
    int year = 0; // year within the era, 1 for the year the era begins
};

// The era in which a day falls, and the day's year within it.
JapaneseEra japaneseEraOf(SerialDate date);

// The one-character Japanese name of a weekday: 日 for Sunday to 土 for Saturday.
QString japaneseWeekdayName(std::chrono::weekday weekday);

} // namespace koyomix
