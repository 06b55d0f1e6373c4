#include "checks/fieldrules.h"

#include <QTest>

using koyomix::FieldRule;

namespace {

const FieldRule *ruleNamed(const QString &name)
{
    using namespace koyomix::rules;
    const std::pair<const char *, const FieldRule *> all[] = {{"chkYYYY", &chkYYYY},
                                                              {"chkMM", &chkMM},
                                                              {"chkDD", &chkDD},
                                                              {"chkYYYY2", &chkYYYY2},
                                                              {"chkDDD", &chkDDD}};
    for (const auto &[n, rule] : all) {
        if (name == QLatin1String(n))
            return rule;
    }
    return nullptr;
}

const QString digits = QStringLiteral("数字を入力してください");
const QString digits2 = QStringLiteral("数字をを入力してください");
const QString yearRange = QStringLiteral("有効な年は1900～2999までです");
const QString yearLength = QStringLiteral("年は４桁で入力してください");
const QString monthRange = QStringLiteral("月は１月～１２月までです");
const QString dayRange = QStringLiteral("有効な日ではありません");

} // namespace

class TestFieldRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void verdicts_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("text"); // normalised text, or the notice

        const auto ok = [](const char *name, const char *rule, const QString &in, const char *out) {
            QTest::newRow(name) << rule << in << true << QString::fromUtf8(out);
        };
        const auto no = [](const char *name, const char *rule, const QString &in,
                           const QString &notice) {
            QTest::newRow(name) << rule << in << false << notice;
        };
        for (const char *year : {"chkYYYY", "chkYYYY2"}) {
            const QByteArray y(year);
            ok(y + ": 7 becomes 2007", year, "7", "2007");
            ok(y + ": 07 becomes 2007", year, "07", "2007");
            ok(y + ": 007 becomes 2007", year, "007", "2007");
            ok(y + ": 99 becomes 2099", year, "99", "2099");
            ok(y + ": 0 becomes 2000", year, "0", "2000");
            ok(y + ": 00 becomes 2000", year, "00", "2000");
            ok(y + ": 000 becomes 2000", year, "000", "2000");
            ok(y + ": 123 becomes 2123", year, "123", "2123");
            ok(y + ": 1900 is the first year", year, "1900", "1900");
            ok(y + ": 2999 is the last year", year, "2999", "2999");
            no(y + ": 1899 is before the range", year, "1899", yearRange);
            no(y + ": 3000 is after the range", year, "3000", yearRange);
            no(y + ": 0999 is before the range", year, "0999", yearRange);
            no(y + ": 9999 is after the range", year, "9999", yearRange);
            no(y + ": 12345 is too long", year, "12345", yearLength);
            no(y + ": 20x01 gets a digit notice before the length", year, "20x01",
               year == QByteArrayView("chkYYYY") ? digits : digits2);
            no(y + ": 20.01 is a number with a point", year, "20.01", digits);
        }
        ok("month 1 becomes 01", "chkMM", "1", "01");
        ok("month 12 stays", "chkMM", "12", "12");
        no("month 0", "chkMM", "0", monthRange);
        no("month 00", "chkMM", "00", monthRange);
        no("month 13", "chkMM", "13", monthRange);
        no("month 001 is too long", "chkMM", "001", QStringLiteral("月は２桁で入力してください"));
        no("month -1,0 too long but not digits", "chkMM", "-1,0", digits);
        ok("day 5 becomes 05", "chkDD", "5", "05");
        ok("day 31 whatever the month", "chkDD", "31", "31");
        no("day 0", "chkDD", "0", dayRange);
        no("day 00", "chkDD", "00", dayRange);
        no("day 32", "chkDD", "32", dayRange);
        no("day 010 is too long", "chkDD", "010", QStringLiteral("日は２桁で入力してください"));
        ok("day of year 1 becomes 001", "chkDDD", "1", "001");
        ok("day of year 12 becomes 012", "chkDDD", "12", "012");
        ok("day of year 60 becomes 060", "chkDDD", "60", "060");
        ok("day of year 123 stays", "chkDDD", "123", "123");
        ok("day of year 366 whatever the year", "chkDDD", "366", "366");
        no("day of year 0", "chkDDD", "0", dayRange);
        no("day of year 000", "chkDDD", "000", dayRange);
        no("day of year 367", "chkDDD", "367", dayRange);
        no("day of year 999", "chkDDD", "999", dayRange);
        const QString dddLength = QStringLiteral("日は３桁で入力してください");
        no("day of year 0001 is too long", "chkDDD", "0001", dddLength);
        no("day of year 1234 is too long", "chkDDD", "1234", dddLength);

        // Only the ordinal year tells a non-number from a number with a non-digit.
        no("ordinal year: empty is not a number", "chkYYYY2", "", digits2);
        no("ordinal year: letters are not a number", "chkYYYY2", "abc", digits2);
        no("ordinal year: inner space is not a number", "chkYYYY2", "1 2", digits2);
        no("ordinal year: lone sign is not a number", "chkYYYY2", "+", digits2);
        no("ordinal year: comma at the end is not a number", "chkYYYY2", "1,", digits2);
        no("ordinal year: bare exponent is not a number", "chkYYYY2", "1e", digits2);
        no("ordinal year: full-width sign is not a number", "chkYYYY2", "－５", digits2);
        no("ordinal year: tab is not trimmed", "chkYYYY2", "\t12", digits2);
        no("ordinal year: +5 is a number", "chkYYYY2", "+5", digits);
        no("ordinal year: -5 is a number", "chkYYYY2", "-5", digits);
        no("ordinal year: 1e3 is a number", "chkYYYY2", "1e3", digits);
        no("ordinal year: 2E-4 is a number", "chkYYYY2", "2E-4", digits);
        no("ordinal year: 1,000 is a number", "chkYYYY2", "1,000", digits);
        no("ordinal year: .5 is a number", "chkYYYY2", ".5", digits);
        no("ordinal year: 5. is a number", "chkYYYY2", "5.", digits);
        no("ordinal year: full-width 5 is a number", "chkYYYY2", "５", digits);
        no("ordinal year: full-width 2005 is a number", "chkYYYY2", "２００５", digits);
        for (const char *rule : {"chkYYYY", "chkMM", "chkDD", "chkDDD"}) {
            const QByteArray r(rule);
            no(r + ": empty", rule, "", digits);
            no(r + ": letters", rule, "ab", digits);
            no(r + ": minus", rule, "-1", digits);
            no(r + ": full-width digit", rule, "１", digits);
            no(r + ": exponent", rule, "1e1", digits);
        }
    }

    void verdicts()
    {
        QFETCH(QString, rule);
        QFETCH(QString, input);
        const koyomix::Verdict verdict = koyomix::checkField(*ruleNamed(rule), input);
        QTEST(verdict.accepted, "accepted");
        QTEST(verdict.text, "text");
    }

    void trimming_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("ASCII spaces around") << " 7  "
                                             << "7";
        QTest::newRow("ideographic spaces around") << "\u3000 7\u3000"
                                                   << "7";
        QTest::newRow("spaces only become empty") << " \u3000 "
                                                  << "";
        QTest::newRow("inner space stays") << " 1 2 "
                                           << "1 2";
        QTest::newRow("tab stays") << "\t7"
                                   << "\t7";
        QTest::newRow("no-break space stays") << "7\u00a0"
                                              << "7\u00a0";
    }

    void trimming()
    {
        QFETCH(QString, input);
        QTEST(koyomix::trimSpaces(input), "trimmed");
    }
};

QTEST_APPLESS_MAIN(TestFieldRules)
#include "tst_fieldrules.moc"
