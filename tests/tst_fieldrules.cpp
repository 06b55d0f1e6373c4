#include "checks/fieldrules.h"
#include "noticetexts.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <cstring>

using koyomix::FieldRule;

namespace {

const FieldRule *ruleNamed(const QString &name)
{
    using namespace koyomix::rules;
    const FieldRule *const all[] = {&chkYYYY, &chkMM, &chkDD, &chkYYYY2, &chkDDD};
    return all[QStringList{"chkYYYY", "chkMM", "chkDD", "chkYYYY2", "chkDDD"}.indexOf(name)];
}

using namespace noticetexts;

} // namespace

class TestFieldRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void verdicts_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("expected"); // the normalised texts, or one notice for all

        const auto row = [](const QByteArray &name, const char *rule, const QStringList &inputs,
                            const QStringList &expected) {
            QTest::newRow(name.constData()) << rule << inputs << expected;
        };
        for (const char *year : {"chkYYYY", "chkYYYY2"}) {
            const QByteArray y = QByteArray(year) + ": ";
            const QString numeric = y == "chkYYYY: " ? digits : ordinalYearDigits;
            row(y + "short years land in 2000-2999", year,
                {"7", "07", "007", "99", "0", "00", "000", "123"},
                {"2007", "2007", "2007", "2099", "2000", "2000", "2000", "2123"});
            row(y + "1900 to 2999 stay", year, {"1900", "2001", "2999"}, {"1900", "2001", "2999"});
            row(y + "four-digit years outside 1900-2999", year, {"1899", "3000", "0999", "9999"},
                {yearRange});
            row(y + "12345 is too long", year, {"12345"}, {yearLength});
            row(y + "non-number too long: no length notice", year, {"20x01", "ab cde"}, {numeric});
            row(y + "numbers that are not digits", year, {"20.01", "-1", "１", "1e1"}, {digits});
        }
        row("month: 1 gets a zero, 12 stays", "chkMM", {"1", "12"}, {"01", "12"});
        row("month: 0, 00, 13 out of range", "chkMM", {"0", "00", "13"}, {monthRange});
        row("month: 001 too long", "chkMM", {"001"}, {monthLength});
        row("month: -1,0 too long but not digits", "chkMM", {"-1,0"}, {digits});
        row("day: 5 gets a zero, 31 whatever the month", "chkDD", {"5", "31"}, {"05", "31"});
        row("day: 0, 00, 32 out of range", "chkDD", {"0", "00", "32"}, {dayRange});
        row("day: 010 too long", "chkDD", {"010"}, {dayLength});
        row("day of year: zeros put in front", "chkDDD", {"1", "12", "60", "123", "366"},
            {"001", "012", "060", "123", "366"});
        row("day of year: 0, 000, 367, 999 out of range", "chkDDD", {"0", "000", "367", "999"},
            {dayRange});
        row("day of year: 0001, 1234 too long", "chkDDD", {"0001", "1234"}, {dayOfYearLength});
        // Only the ordinal year tells a non-number from a number with a non-digit.
        row("ordinal year: not numbers get the doubled を", "chkYYYY2",
            {"", "abc", "1 2", "+", "1,", ",1", "1e", "－５", "\t12", ".", "1..2", "12\n"},
            {ordinalYearDigits});
        row("ordinal year: numbers with a non-digit get one を", "chkYYYY2",
            {"+5", "-5", "1e3", "2E-4", "1,000", ".5", "5.", "５", "２００５", "-1,2.5e+3"},
            {digits});
        for (const char *rule : {"chkYYYY", "chkMM", "chkDD", "chkDDD"})
            row(QByteArray(rule) + ": every non-digit gets one を", rule,
                {"", "ab", "-1", "１", "1e1", "+", "1.", "1,0"}, {digits});
    }

    void verdicts()
    {
        QFETCH(QString, rule);
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, expected);
        for (qsizetype i = 0; i < inputs.size(); ++i) {
            const QString wanted = expected[std::min(i, expected.size() - 1)];
            const koyomix::Verdict verdict = koyomix::checkField(*ruleNamed(rule), inputs[i]);
            // The input goes into the compared texts so that a failure names it.
            QCOMPARE(inputs[i] + u'→' + verdict.text, inputs[i] + u'→' + wanted);
            QCOMPARE(verdict.accepted, wanted.front().isDigit());
        }
    }

    void randomTexts_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("low"); // accepted range, both included, of the field's length
        QTest::addColumn<QString>("high");
        const auto row = [](const char *rule, const char *low, const char *high) {
            QTest::addRow("%s: %d digits, %s to %s", rule, int(strlen(low)), low, high)
                << rule << low << high;
        };
        row("chkYYYY", "1900", "2999");
        row("chkMM", "01", "12");
        row("chkDD", "01", "31");
        row("chkYYYY2", "1900", "2999");
        row("chkDDD", "001", "366");
    }

    // Any UTF-16 text up to 8 code units, surrogates and full-width forms included, drawn
    // mostly from characters that the rule treats specially: refused with a notice, or accepted
    // as ASCII digits of the field's length within its range.
    void randomTexts()
    {
        QFETCH(QString, rule);
        QFETCH(QString, low);
        QFETCH(QString, high);
        const QStringList notices{digits,    ordinalYearDigits, yearLength,
                                  yearRange, monthLength,       monthRange,
                                  dayLength, dayRange,          dayOfYearLength};
        // Accepted: ASCII digits of the field's length, within its range.
        const QRegularExpression asciiDigits(
            QRegularExpression::anchoredPattern(QStringLiteral("[0-9]{%1}").arg(low.size())));
        QRandomGenerator random(20261207);
        const QString special = QStringLiteral("0123456789 \u3000+-.,eE０５９ａx\t");
        int accepted = 0;
        for (int i = 0; i < 200'000; ++i) {
            QString text;
            for (int k = random.bounded(9); k > 0; --k)
                text += random.bounded(4) == 0 ? QChar(char16_t(random.bounded(0x10000)))
                                               : special[random.bounded(special.size())];
            const koyomix::Verdict verdict = koyomix::checkField(*ruleNamed(rule), text);
            accepted += verdict.accepted;
            const bool fits = asciiDigits.match(verdict.text).hasMatch() && verdict.text >= low &&
                              verdict.text <= high;
            QVERIFY2(verdict.accepted ? fits : notices.contains(verdict.text), qPrintable(text));
        }
        QVERIFY(accepted > 2000); // the draw reaches the accepting path
    }

    void trimming_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("ASCII spaces around") << QStringLiteral(" 7  ") << "7";
        QTest::newRow("ideographic spaces around") << QStringLiteral("\u3000 7\u3000") << "7";
        QTest::newRow("spaces only become empty") << QStringLiteral(" \u3000 ") << "";
        QTest::newRow("inner space stays") << QStringLiteral(" 1 2 ") << "1 2";
        QTest::newRow("tab stays") << QStringLiteral("\t7") << "\t7";
        QTest::newRow("no-break space stays") << QStringLiteral("7\u00a0") << "7\u00a0";
    }

    void trimming()
    {
        QFETCH(QString, input);
        QTEST(koyomix::trimSpaces(input), "trimmed");
    }
};

QTEST_APPLESS_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
