#include "convert/conversion.h"
#include "dates/serialdate.h"

#include <QRegularExpression>
#include <QTest>

using namespace std::chrono;
using namespace koyomix;

namespace {

SerialDate ymd(int y, unsigned m, unsigned d)
{
    return SerialDate{year{y} / month{m} / day{d}};
}

// A row of a table of two texts.
void row(const char *name, const char *first, const char *second)
{
    QTest::newRow(name) << QString::fromUtf8(first) << QString::fromUtf8(second);
}

} // namespace

class TestDates : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isDateText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("2000 is leap (divisible by 400)") << "2000/02/29" << true;
        QTest::newRow("2400 is leap (divisible by 400)") << "2400/02/29" << true;
        QTest::newRow("1900 is not leap (divisible by 100)") << "1900/02/29" << false;
        QTest::newRow("2100 is not leap (divisible by 100)") << "2100/02/29" << false;
        QTest::newRow("2001 is not leap") << "2001/02/29" << false;
        QTest::newRow("2004 is leap (divisible by 4)") << "2004/02/29" << true;
        QTest::newRow("February never has a 30th") << "2000/02/30" << false;
        const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        for (int m = 1; m <= 12; ++m) {
            const QString prefix = QStringLiteral("2001/%1/").arg(m, 2, 10, QLatin1Char('0'));
            QTest::addRow("month %d ends on day %d", m, lengths[m - 1])
                << prefix + QString::number(lengths[m - 1]) << true;
            QTest::addRow("month %d has no day %d", m, lengths[m - 1] + 1)
                << prefix + QString::number(lengths[m - 1] + 1) << false;
        }
        QTest::newRow("month 13") << "2001/13/10" << false;
        QTest::newRow("day 00") << "2001/03/00" << false;
        QTest::newRow("year 0000 does not exist") << "0000/03/11" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank in the month") << "2001/ 3/11" << false;
        QTest::newRow("trailing blank") << "2001/03/11 " << false;
        QTest::newRow("dash separators") << "2001-03-11" << false;
        QTest::newRow("dash as the first separator") << "2001-03/11" << false;
        QTest::newRow("dash as the second separator") << "2001/03-11" << false;
        QTest::newRow("one-digit month") << "2001/3/11" << false;
        QTest::newRow("five-digit year") << "12001/03/11" << false;
        QTest::newRow("full-width digits") << QStringLiteral("２００１/03/11") << false;
    }
    void isDateText()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(koyomix::isDateText(text), accepted);
        QCOMPARE(dateFromText(text).has_value(), accepted);
    }

    void arithmetic()
    {
        QCOMPARE(daysBetween(ymd(2001, 1, 1), ymd(2001, 3, 11)), 69);
        QCOMPARE(daysBetween(ymd(2001, 3, 11), ymd(2001, 1, 1)), -69);
        QCOMPARE(yearOf(addDays(addDays(dateFromYMD(2001, 1, 1), 366), -1)), qint16(2002));
        QCOMPARE(addDays(addDays(dateFromYMD(2999, 1, 1), 366), -1), ymd(3000, 1, 1));
        QCOMPARE(addDays(dateFromYMD(1900, 1, 1), -1), ymd(1899, 12, 31));
        QCOMPARE(formatDate(ymd(2001, 1, 5), kCalendarPattern), QStringLiteral("2001/01/05"));
        QCOMPARE(formatDate(ymd(999, 3, 1), u"[yyyy] yy x"), QStringLiteral("[0999] yy x"));
    }

    void eraStyle_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        row("first day of the range", "1900/01/01", "明治33年1月1日 (月)");
        row("last day of Meiji", "1912/07/29", "明治45年7月29日 (月)");
        row("Taisho 1 is written 1, not gannen", "1912/07/30", "大正1年7月30日 (火)");
        row("last day of Taisho", "1926/12/24", "大正15年12月24日 (金)");
        row("Showa 1 starts 25 December", "1926/12/25", "昭和1年12月25日 (土)");
        row("last day of Showa", "1989/01/07", "昭和64年1月7日 (土)");
        row("Heisei 1 starts 8 January", "1989/01/08", "平成1年1月8日 (日)");
        row("Heisei 31 is the last day before Reiwa", "2019/04/30", "平成31年4月30日 (火)");
        row("Reiwa 1 starts 1 May 2019", "2019/05/01", "令和1年5月1日 (水)");
        row("last day of the range", "2999/12/31", "令和981年12月31日 (火)");
        row("Friday, no leading zeros", "2001/01/05", "平成13年1月5日 (金)");
    }
    void eraStyle()
    {
        QFETCH(QString, date);
        QFETCH(QString, text);
        QCOMPARE(formatDate(*dateFromText(date), kEraPattern), text);
    }

    // Each row both ways: the calendar date to its ordinal date, and back.
    void ordinalDates_data()
    {
        QTest::addColumn<QString>("ordinal");
        QTest::addColumn<QString>("date"); // empty: an impossible date
        row("day 1", "2001/001", "2001/01/01");
        row("day 9 gets two zeros", "2001/009", "2001/01/09");
        row("day 70 gets one zero", "2001/070", "2001/03/11");
        row("day 100 stays", "2001/100", "2001/04/10");
        row("29 February 2000 is day 60", "2000/060", "2000/02/29");
        row("29 February 2400 is day 60", "2400/060", "2400/02/29");
        row("day 365 of a common year", "2001/365", "2001/12/31");
        row("no day 366 in a common year", "2001/366", "");
        row("day 366 of 2000, leap", "2000/366", "2000/12/31");
        row("day 365 of 1900", "1900/365", "1900/12/31");
        row("1900 is not leap: no day 366", "1900/366", "");
        row("day 60 of leap 2004", "2004/060", "2004/02/29");
        row("day 60 of common 2003", "2003/060", "2003/03/01");
        row("day 365 of 2999", "2999/365", "2999/12/31");
        row("day 366 of 2999 would be in 3000", "2999/366", "");
        row("day 000 falls in the year before", "2001/000", "");
    }
    void ordinalDates()
    {
        QFETCH(QString, ordinal);
        QFETCH(QString, date);
        const auto result = ordinalToCalendar(ordinal.left(4), ordinal.mid(5));
        QCOMPARE(result.first, date);
        QCOMPARE(result.notice.isEmpty(), !date.isEmpty());
        if (date.isEmpty())
            return;
        const auto back = calendarToOrdinal(date.left(4), date.mid(5, 2), date.mid(8));
        QCOMPARE(back.first, ordinal);
        QCOMPARE(back.notice, QString());
    }

    // Every day of the range through the steps the two buttons take.
    void sweepWholeRange()
    {
        const QString weekdays = QStringLiteral("日月火水木金土");
        const QRegularExpression eraText(QStringLiteral("^(\\D+)(\\d+)年\\d+月\\d+日 \\((.)\\)$"));
        // 31 December 1899, the day before the range: Meiji 32, a Sunday.
        struct Day
        {
            QString era;
            int eraYear, number, weekday;
        } prev{QStringLiteral("明治"), 32, 0, 0};
        int count = 0;
        for (SerialDate d = ymd(1900, 1, 1); d <= ymd(2999, 12, 31); d += days{1}, ++count) {
            const QString text = formatDate(d, kCalendarPattern);
            QVERIFY2(dateFromText(text) == d, qPrintable(text));
            const auto ordinal = calendarToOrdinal(text.left(4), text.mid(5, 2), text.mid(8, 2));
            const auto back = ordinalToCalendar(text.left(4), ordinal.first.mid(5));
            QCOMPARE(back.first, text);
            QCOMPARE(back.second, ordinal.second);

            const bool newYear = text.endsWith(u"/01/01");
            const QRegularExpressionMatch era = eraText.match(ordinal.second);
            const Day day{era.captured(1), era.captured(2).toInt(), ordinal.first.mid(5).toInt(),
                          int(weekdays.indexOf(era.captured(3)))};
            QVERIFY2(era.hasMatch() && day.weekday >= 0, qPrintable(ordinal.second));
            QCOMPARE(day.number, newYear ? 1 : prev.number + 1);
            QCOMPARE(day.weekday, (prev.weekday + 1) % 7);
            QCOMPARE(day.eraYear, day.era != prev.era ? 1 : prev.eraYear + (newYear ? 1 : 0));
            prev = day;
        }
        QCOMPARE(count, 401767);
    }
};

QTEST_GUILESS_MAIN(TestDates)
#include "tst_dates.moc"
