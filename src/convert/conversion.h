#pragma once

// The two conversion buttons as pure functions: field texts in, what the window must do out.

#include <QString>
#include <QStringView>

namespace koyomix {

// A field of the row being converted: Year is Text1/Text4, Month is Text2, Day is Text3/Text5.
enum class DateField { None, Year, Month, Day };

struct Conversion
{
    // When not empty, shown as a notice first; then `focus` gets the focus.
    QString notice;
    DateField focus = DateField::None;
    // The two result captions in writing order; both empty (labels cleared) when there is none.
    QString first;
    QString second;
};

inline constexpr QStringView kYearMissing = u"年を入力してください";
inline constexpr QStringView kMonthMissing = u"月を入力してください";
inline constexpr QStringView kDayMissing = u"日を入力してください";
inline constexpr QStringView kImpossibleDate = u"有効な日付ではありません";

// The ジュリアン→ button: year, month, day texts to ordinal ("2001/070") and era-style dates.
Conversion calendarToOrdinal(const QString &year, const QString &month, const QString &day);

// The グレゴリアン→ button: year, day-of-year texts to calendar ("2001/03/11") and era-style dates.
Conversion ordinalToCalendar(const QString &year, const QString &dayOfYear);

} // namespace koyomix
