#include "checks/fieldrules.h"

#include "dates/asciidigit.h"

#include <algorithm>

namespace koyomix {

namespace {

constexpr QStringView kDayRangeNotice = u"有効な日ではありません";

// A year of 1 to 3 digits lands in 2000-2999: every prefix starts with "2".
constexpr LengthPrefix kYearLengths[] = {{1, u"200"}, {2, u"20"}, {3, u"2"}, {4, u""}};
constexpr LengthPrefix kTwoDigitLengths[] = {{1, u"0"}, {2, u""}};
constexpr LengthPrefix kDayOfYearLengths[] = {{1, u"00"}, {2, u"0"}, {3, u""}};

bool isAnyDigit(QChar c)
{
    return isAsciiDigit(c) || (c >= u'０' && c <= u'９');
}

// The calendar and the ordinal year differ only in the numeric notice.
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

bool isNumericText(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    const auto at = [&](char16_t c) { return i < n && text[i] == c; };
    const auto skipSign = [&] {
        if (at(u'+') || at(u'-'))
            ++i;
    };
    // Counts the digits read; a comma is passed over only between two digits.
    const auto readDigits = [&](bool commas) {
        qsizetype digits = 0;
        while (i < n) {
            if (isAnyDigit(text[i]))
                ++digits;
            else if (!(commas && digits > 0 && at(u',') && i + 1 < n && isAnyDigit(text[i + 1])))
                break;
            ++i;
        }
        return digits;
    };

    skipSign();
    qsizetype digits = readDigits(true);
    if (at(u'.')) {
        ++i;
        digits += readDigits(false);
    }
    if (digits == 0)
        return false;
    if (at(u'e') || at(u'E')) {
        ++i;
        skipSign();
        if (readDigits(false) == 0)
            return false;
    }
    return i == n;
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
