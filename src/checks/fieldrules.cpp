#include "checks/fieldrules.h"

#include "dates/asciidigit.h"

#include <QRegularExpression>

#include <algorithm>

namespace koyomix {

namespace {

constexpr QStringView kDayRangeNotice = u"有効な日ではありません";

// A year of 1 to 3 digits lands in 2000-2999: every prefix starts with "2".
constexpr LengthPrefix kYearLengths[] = {{1, u"200"}, {2, u"20"}, {3, u"2"}, {4, u""}};
constexpr LengthPrefix kTwoDigitLengths[] = {{1, u"0"}, {2, u""}};
constexpr LengthPrefix kDayOfYearLengths[] = {{1, u"00"}, {2, u"0"}, {3, u""}};

constexpr FieldRule yearRule(QStringView numericNotice)
{
    return {.numericNotice = numericNotice,
            .lengths = kYearLengths,
            .lengthNotice = u"年は４桁で入力してください",
            .low = u"1899",
            .high = u"3000",
            .rangeNotice = u"有効な年は1900～2999までです"};
}

} // namespace

namespace rules {
const FieldRule chkYYYY = yearRule(kDigitNotice);
const FieldRule chkMM{
    .numericNotice = kDigitNotice,
    .lengths = kTwoDigitLengths,
    .lengthNotice = u"月は２桁で入力してください",
    .low = u"00",
    .high = u"13",
    .rangeNotice = u"月は１月～１２月までです",
};
const FieldRule chkDD{
    .numericNotice = kDigitNotice,
    .lengths = kTwoDigitLengths,
    .lengthNotice = u"日は２桁で入力してください",
    .low = u"00",
    .high = u"32",
    .rangeNotice = kDayRangeNotice,
};
// The ordinal year's numeric notice doubles the を; its digit notice does not.
const FieldRule chkYYYY2 = yearRule(u"数字をを入力してください");
const FieldRule chkDDD{
    .numericNotice = kDigitNotice,
    .lengths = kDayOfYearLengths,
    .lengthNotice = u"日は３桁で入力してください",
    .low = u"000",
    .high = u"367",
    .rangeNotice = kDayRangeNotice,
};
} // namespace rules

QString trimSpaces(QStringView text)
{
    const auto isSpace = [](QChar c) { return c == u' ' || c == u'\u3000'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpace(text[begin]))
        ++begin;
    while (end > begin && isSpace(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin).toString();
}

// D stands for a digit, ASCII or full-width; \z, unlike $, takes no line break at the end.
bool isNumericText(QStringView text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(?:D(?:,?D)*(?:\\.D*)?|\\.D+)(?:[eE][+-]?D+)?\\z")
            .replace(u'D', QStringLiteral("[0-9０-９]")));
    return number.match(text.toString()).hasMatch();
}

Verdict checkField(const FieldRule &rule, QStringView text)
{
    if (!isNumericText(text))
        return {false, rule.numericNotice.toString()};
    if (!std::all_of(text.begin(), text.end(), isAsciiDigit))
        return {false, kDigitNotice.toString()};

    const auto length =
        std::find_if(rule.lengths.begin(), rule.lengths.end(),
                     [&](const LengthPrefix &entry) { return entry.length == text.size(); });
    if (length == rule.lengths.end())
        return {false, rule.lengthNotice.toString()};

    // Both bounds and the value are digit strings of one length, so comparing them by
    // character code is comparing their numbers.
    QString value = length->prefix.toString() + text.toString();
    if (!(QStringView(value) > rule.low && QStringView(value) < rule.high))
        return {false, rule.rangeNotice.toString()};
    return {true, value};
}

} // namespace koyomix
