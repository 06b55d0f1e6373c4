#pragma once

// The rule behind the five field checks: a pure function from the trimmed field text to a
// verdict, driven by one table entry per check. Nothing here touches a widget.

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

// What one check is made of. The notices are shown with the same style and title for every
// check; the digit notice is shared (kDigitNotice below).
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

// Removes leading and trailing U+0020 and U+3000 (the ideographic space that Japanese
// input methods type), and nothing else: a tab or a no-break space stays in and later
// fails the digit test, which tells the user what is wrong.
QString trimSpaces(QStringView text);

// Whether the text reads as a number: an optional sign (+ or -), then digits with optional
// commas between digits ("1,000", also "1,0"), then an optional decimal part (".5", "5."),
// then an optional exponent ("1e3", "2E-4"). Digits are ASCII or full-width (０-９); signs,
// commas, the point and the e are ASCII only. Nothing else, no spaces; the empty text is
// not a number. Only the ordinal year shows the outcome: its numeric notice differs from
// the digit notice that every non-digit number then gets.
bool isNumericText(QStringView text);

} // namespace koyomix
