#include "convert/conversion.h"
#include "dates/serialdate.h"

#include <QTest>

using namespace std::chrono;
using koyomix::SerialDate;

Q_DECLARE_METATYPE(SerialDate)

namespace {

SerialDate ymd(int y, unsigned m, unsigned d)
{
    return SerialDate{year{y} / month{m} / day{d}};
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
        QTest::newRow("2004 is leap (divisible by 4)") << "2004/02/29" << true;
        QTest::newRow("1900 is not leap (divisible by 100)") << "1900/02/29" << false;
        QTest::newRow("2100 is not leap (divisible by 100)") << "2100/02/29" << false;
        QTest::newRow("2001 is not leap") << "2001/02/29" << false;
        QTest::newRow("February has no 30th") << "2000/02/30" << false;
        QTest::newRow("2001/02/28 is the end of February") << "2001/02/28" << true;
        QTest::newRow("December has 31 days") << "2001/12/31" << true;
        QTest::newRow("last day of the range") << "2999/12/31" << true;
        QTest::newRow("first day of the range") << "1900/01/01" << true;
        QTest::newRow("April has 30 days") << "2001/04/31" << false;
        QTest::newRow("June has 30 days") << "2001/06/31" << false;
        QTest::newRow("September has 30 days") << "2001/09/31" << false;
        QTest::newRow("November has 30 days") << "2001/11/31" << false;
        QTest::newRow("January has 31 days") << "2001/01/31" << true;
        QTest::newRow("month 00") << "2001/00/10" << false;
        QTest::newRow("month 13") << "2001/13/10" << false;
        QTest::newRow("day 00") << "2001/03/00" << false;
        QTest::newRow("year 0000 does not exist") << "0000/03/11" << false;
        QTest::newRow("year 0001 outside the checked range is still a day") << "0001/01/01" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("blank month") << "2001/ 3/11" << false;
        QTest::newRow("trailing blank") << "2001/03/11 " << false;
        QTest::newRow("dash separators") << "2001-03-11" << false;
        QTest::newRow("one-digit month") << "2001/3/11" << false;
        QTest::newRow("two-digit year") << "01/03/11" << false;
        QTest::newRow("five-digit year") << "12001/03/11" << false;
        QTest::newRow("sign in the year") << "-001/03/11" << false;
        QTest::newRow("full-width digits") << QStringLiteral("２００１/03/11") << false;
        QTest::newRow("letters") << "abcd/ef/gh" << false;
    }
    void isDateText()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QCOMPARE(koyomix::isDateText(text), accepted);
        QCOMPARE(koyomix::dateFromText(text).has_value(), accepted);
    }

    void arithmetic()
    {
        using namespace koyomix;
        QCOMPARE(daysBetween(ymd(2001, 1, 1), ymd(2001, 3, 11)), 69);
        QCOMPARE(daysBetween(ymd(2000, 1, 1), ymd(2000, 12, 31)), 365);
        QCOMPARE(daysBetween(ymd(2001, 1, 1), ymd(2001, 12, 31)), 364);
        QCOMPARE(daysBetween(ymd(2001, 3, 11), ymd(2001, 1, 1)), -69);
        QCOMPARE(addDays(addDays(dateFromYMD(2001, 1, 1), 70), -1), ymd(2001, 3, 11));
        QCOMPARE(addDays(dateFromYMD(2001, 1, 1), 365), ymd(2002, 1, 1));
        QCOMPARE(yearOf(addDays(addDays(dateFromYMD(2001, 1, 1), 366), -1)), qint16(2002));
        QCOMPARE(addDays(addDays(dateFromYMD(2000, 1, 1), 366), -1), ymd(2000, 12, 31));
        QCOMPARE(addDays(addDays(dateFromYMD(2999, 1, 1), 366), -1), ymd(3000, 1, 1));
        QCOMPARE(addDays(dateFromYMD(1900, 1, 1), -1), ymd(1899, 12, 31));
        QCOMPARE(dateFromText(u"2001/03/11"), std::optional(ymd(2001, 3, 11)));
    }

    void formatDate_data()
    {
        QTest::addColumn<SerialDate>("date");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        const QString cal = QString::fromUtf16(koyomix::kCalendarPattern);
        const QString era = QString::fromUtf16(koyomix::kEraPattern);
        QTest::newRow("month and day padded") << ymd(2001, 1, 5) << cal << "2001/01/05";
        QTest::newRow("calendar pattern") << ymd(2001, 3, 11) << cal << "2001/03/11";
        QTest::newRow("year below 1000 has four digits") << ymd(999, 12, 31) << cal << "0999/12/31";
        QTest::newRow("other characters copied") << ymd(2001, 3, 11) << "[yyyy] yy x"
                                                 << "[2001] yy x";
        QTest::newRow("Friday, no leading zeros")
            << ymd(2001, 1, 5) << era << QStringLiteral("平成13年1月5日 (金)");
        QTest::newRow("Sunday 11 March 2001")
            << ymd(2001, 3, 11) << era << QStringLiteral("平成13年3月11日 (日)");
        QTest::newRow("first day of the range")
            << ymd(1900, 1, 1) << era << QStringLiteral("明治33年1月1日 (月)");
        QTest::newRow("last day of Meiji")
            << ymd(1912, 7, 29) << era << QStringLiteral("明治45年7月29日 (月)");
        QTest::newRow("Taisho 1 is written 1, not gannen")
            << ymd(1912, 7, 30) << era << QStringLiteral("大正1年7月30日 (火)");
        QTest::newRow("last day of Taisho")
            << ymd(1926, 12, 24) << era << QStringLiteral("大正15年12月24日 (金)");
        QTest::newRow("Showa 1 starts 25 December")
            << ymd(1926, 12, 25) << era << QStringLiteral("昭和1年12月25日 (土)");
        QTest::newRow("last day of Showa")
            << ymd(1989, 1, 7) << era << QStringLiteral("昭和64年1月7日 (土)");
        QTest::newRow("Heisei 1 starts 8 January")
            << ymd(1989, 1, 8) << era << QStringLiteral("平成1年1月8日 (日)");
        QTest::newRow("Heisei 31 is the last day before Reiwa")
            << ymd(2019, 4, 30) << era << QStringLiteral("平成31年4月30日 (火)");
        QTest::newRow("Reiwa 1 starts 1 May 2019")
            << ymd(2019, 5, 1) << era << QStringLiteral("令和1年5月1日 (水)");
        QTest::newRow("last day of the range")
            << ymd(2999, 12, 31) << era << QStringLiteral("令和981年12月31日 (火)");
    }
    void formatDate()
    {
        QFETCH(SerialDate, date);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(koyomix::formatDate(date, pattern), text);
    }

    void calendarToOrdinal_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("ordinal");
        QTest::newRow("first day") << "2001/01/01"
                                   << "2001/001";
        QTest::newRow("one-digit day number gets two zeros") << "2001/01/09"
                                                             << "2001/009";
        QTest::newRow("two-digit day number gets one zero") << "2001/03/11"
                                                            << "2001/070";
        QTest::newRow("three digits stay") << "2001/04/10"
                                           << "2001/100";
        QTest::newRow("29 February 2000") << "2000/02/29"
                                          << "2000/060";
        QTest::newRow("29 February 2400") << "2400/02/29"
                                          << "2400/060";
        QTest::newRow("end of a leap year") << "2000/12/31"
                                            << "2000/366";
        QTest::newRow("end of a common year") << "2001/12/31"
                                              << "2001/365";
        QTest::newRow("end of 1900, not leap") << "1900/12/31"
                                               << "1900/365";
    }
    void calendarToOrdinal()
    {
        QFETCH(QString, date);
        QFETCH(QString, ordinal);
        const QStringList parts = date.split(u'/');
        const auto result = koyomix::calendarToOrdinal(parts[0], parts[1], parts[2]);
        QVERIFY(result.notice.isEmpty());
        QCOMPARE(result.first, ordinal);
        QCOMPARE(result.second,
                 koyomix::formatDate(*koyomix::dateFromText(date), koyomix::kEraPattern));
    }

    void ordinalToCalendar_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("day");
        QTest::addColumn<QString>("date"); // empty: impossible date
        QTest::newRow("day 70 of 2001") << "2001"
                                        << "070"
                                        << "2001/03/11";
        QTest::newRow("day 1") << "2001"
                               << "001"
                               << "2001/01/01";
        QTest::newRow("day 365 of a common year") << "2001"
                                                  << "365"
                                                  << "2001/12/31";
        QTest::newRow("day 366 of a common year") << "2001"
                                                  << "366"
                                                  << "";
        QTest::newRow("day 366 of 2000, leap") << "2000"
                                               << "366"
                                               << "2000/12/31";
        QTest::newRow("day 365 of 1900") << "1900"
                                         << "365"
                                         << "1900/12/31";
        QTest::newRow("1900 is not leap: no day 366") << "1900"
                                                      << "366"
                                                      << "";
        QTest::newRow("day 60 of leap 2004") << "2004"
                                             << "060"
                                             << "2004/02/29";
        QTest::newRow("day 60 of common 2003") << "2003"
                                               << "060"
                                               << "2003/03/01";
        QTest::newRow("day 365 of 2999") << "2999"
                                         << "365"
                                         << "2999/12/31";
        QTest::newRow("day 366 of 2999 would be 3000") << "2999"
                                                       << "366"
                                                       << "";
        QTest::newRow("day 0 falls in the year before") << "2001"
                                                        << "000"
                                                        << "";
        QTest::newRow("year with a leading blank") << " 2001"
                                                   << "070"
                                                   << "";
    }
    void ordinalToCalendar()
    {
        QFETCH(QString, year);
        QFETCH(QString, day);
        QFETCH(QString, date);
        const auto result = koyomix::ordinalToCalendar(year, day);
        QCOMPARE(result.first, date);
        QCOMPARE(result.notice,
                 date.isEmpty() ? QString::fromUtf16(koyomix::kImpossibleDate) : QString());
    }

    // Every day of the range through the same steps the two buttons take.
    void sweepWholeRange()
    {
        const QString weekdays = QStringLiteral("日月火水木金土");
        QString prevEra;
        int prevEraYear = 0, prevDayNumber = 0, prevWeekday = -1, count = 0;
        for (SerialDate d = ymd(1900, 1, 1); d <= ymd(2999, 12, 31); d += days{1}, ++count) {
            const QString text = koyomix::formatDate(d, koyomix::kCalendarPattern);
            QVERIFY2(koyomix::dateFromText(text) == d, qPrintable(text));
            const auto ordinal =
                koyomix::calendarToOrdinal(text.left(4), text.mid(5, 2), text.mid(8, 2));
            QVERIFY2(ordinal.notice.isEmpty(), qPrintable(text));
            const auto back = koyomix::ordinalToCalendar(text.left(4), ordinal.first.mid(5));
            QCOMPARE(back.first, text);
            QCOMPARE(back.second, ordinal.second);

            const bool newYear = text.mid(5) == u"01/01";
            const int dayNumber = ordinal.first.mid(5).toInt();
            QCOMPARE(dayNumber, newYear ? 1 : prevDayNumber + 1);

            // "<era><year>年m月d日 (w)"
            const QString &era = ordinal.second;
            qsizetype nameEnd = 0;
            while (nameEnd < era.size() && !(era[nameEnd] >= u'0' && era[nameEnd] <= u'9'))
                ++nameEnd;
            const QString eraName = era.left(nameEnd);
            const int eraYear = era.mid(nameEnd, era.indexOf(u'年') - nameEnd).toInt();
            const int weekday = weekdays.indexOf(era.at(era.size() - 2));
            QVERIFY2(!eraName.isEmpty() && eraYear >= 1 && weekday >= 0, qPrintable(era));
            QVERIFY(era.endsWith(u')') && era.contains(u" ("));
            if (prevWeekday >= 0)
                QCOMPARE(weekday, (prevWeekday + 1) % 7);
            if (count > 0 && eraName != prevEra)
                QCOMPARE(eraYear, 1);
            else if (count > 0)
                QCOMPARE(eraYear, newYear ? prevEraYear + 1 : prevEraYear);
            prevEra = eraName;
            prevEraYear = eraYear;
            prevDayNumber = dayNumber;
            prevWeekday = weekday;
        }
        QCOMPARE(count, 401767);
    }
};

QTEST_GUILESS_MAIN(TestDates)
#include "tst_dates.moc"
