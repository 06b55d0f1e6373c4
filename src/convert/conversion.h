#pragma once

// The steps of the two conversion buttons as pure functions: the field texts go in, and
// what the window has to do comes out. Form1 only applies the answer.

#include <QString>
#include <QStringView>

namespace koyomix {

// A field of the row being converted: Year is Text1 or Text4, Month is Text2, Day is
// Text3 or Text5.
enum class DateField { None, Year, Month, Day };

struct Conversion
{
    // When not empty, shown as a notice first; then `focus` gets the focus.
    QString notice;
    DateField focus = DateField::None;
    // The two result captions, in the order they are written; both empty when the click
    // gave no result (the labels are cleared).
    QString first;
    QString second;
};

inline constexpr QStringView kYearMissing = u"年を入力してください";
inline constexpr QStringView kMonthMissing = u"月を入力してください";
inline constexpr QStringView kDayMissing = u"日を入力してください";
inline constexpr QStringView kImpossibleDate = u"有効な日付ではありません";

// The ジュリアン→ button: calendar date (year, month, day texts) to ordinal date
// ("2001/070") and the era-style date.
Conversion calendarToOrdinal(const QString &year, const QString &month, const QString &day);

// The グレゴリアン→ button: ordinal date (year, day-of-year texts) to calendar date
// ("2001/03/11") and the era-style date.
Conversion ordinalToCalendar(const QString &year, const QString &dayOfYear);

} // namespace koyomix
