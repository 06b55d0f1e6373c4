#pragma once

// The five field checks: one pure function, trimmed text in, verdict out, a table entry per check.

#include <QString>
#include <QStringView>

#include <span>

namespace koyomix {

// For a text of `length` characters, the normalised text is `prefix` followed by the text.
struct LengthPrefix
{
    qsizetype length;
    QStringView prefix;
};

// One check's table entry. All checks share kDigitNotice, and every notice's style and title.
struct FieldRule
{
    QStringView numericNotice;
    std::span<const LengthPrefix> lengths; // every length not listed gets lengthNotice
    QStringView lengthNotice;
    QStringView low;  // excluded
    QStringView high; // excluded
    QStringView rangeNotice;
};

inline constexpr QStringView kDigitNotice = u"数字を入力してください";

namespace rules {
extern const FieldRule chkYYYY;  // Text1, calendar year [1900, 2999]
extern const FieldRule chkMM;    // Text2, month [01, 12]
extern const FieldRule chkDD;    // Text3, day of month [01, 31]
extern const FieldRule chkYYYY2; // Text4, ordinal year [1900, 2999]
extern const FieldRule chkDDD;   // Text5, day of year [001, 366]
} // namespace rules

struct Verdict
{
    bool accepted;
    QString text; // the normalised text when accepted, the notice to show when rejected
};

// Tests in order: number, digits, length, range; the first that fails names the notice.
Verdict checkField(const FieldRule &rule, QStringView text);

// Removes leading and trailing U+0020 and U+3000 (the ideographic space of Japanese IMEs) only: a
// tab or no-break space stays and fails the digit test, which tells the user what is wrong.
QString trimSpaces(QStringView text);

// Whether the text reads as a number: an optional sign (+ or -), digits with optional commas
// between digits ("1,000", also "1,0"), an optional decimal part (".5", "5."), an optional exponent
// ("1e3", "2E-4"). Digits are ASCII or full-width (０-９); sign, comma, point and e are ASCII only.
// No spaces or anything else; the empty text is no number. Only the ordinal year shows the outcome:
// its numeric notice differs from the digit notice every non-digit number then gets.
bool isNumericText(QStringView text);

} // namespace koyomix
