// The handlers Form1 runs on a real window: the five check members and the lost-focus
// handlers with the notice seam, and the two buttons.
#include "noticetexts.h"
#include "windowprobe.h"

#include <cmath>

using namespace windowprobe;

namespace {

using namespace noticetexts;
constexpr int kAnswer = 7; // what the recorded user answers a notice with; RET must take it
constexpr qint16 kRetBefore = 42;
// The fields and the two result labels of each button's row, by the button's number.
const QStringList fieldsOf[] = {{}, {"Text1", "Text2", "Text3"}, {"Text4", "Text5"}};
const QStringList labelsOf[] = {{}, {"Label1", "Label2"}, {"Label4", "Label5"}};
const QStringList fieldNames{"Text1", "Text2", "Text3", "Text4", "Text5"};

// A check member, the lost-focus handler that calls it, and the field both write.
struct Member
{
    qint16 (Form1::*check)(const QString &);
    void (Form1::*lostFocus)();
    const char *field;
};
const QHash<QString, Member> members{
    {"chkYYYY", {&Form1::chkYYYY, &Form1::Text1_LostFocus, "Text1"}},
    {"chkMM", {&Form1::chkMM, &Form1::Text2_LostFocus, "Text2"}},
    {"chkDD", {&Form1::chkDD, &Form1::Text3_LostFocus, "Text3"}},
    {"chkYYYY2", {&Form1::chkYYYY2, &Form1::Text4_LostFocus, "Text4"}},
    {"chkDDD", {&Form1::chkDDD, &Form1::Text5_LostFocus, "Text5"}}};

// A member, the text it gets (or the field holds), the field's text after it, the notice.
void memberRow(const char *name, const char *member, const char *text, const char *after,
               const QString &notice = {})
{
    QTest::newRow(name) << member << text << after << notice;
}

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

    // One click of a button on a real, active Form1. Every effect is logged in the order it
    // happens, each with RET, the focus and both result captions at that moment.
    void click(int button)
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, notice);
        QFETCH(QString, focus); // empty: nobody gets the focus
        QFETCH(QString, first);
        QFETCH(QString, second);
        const QStringList &fields = fieldsOf[button], &own = labelsOf[button],
                          &other = labelsOf[3 - button];
        ShownWindow form;
        QVERIFY(form.load({}, nullptr));
        for (int i = 0; i < texts.size(); ++i) {
            auto *field = get<QLineEdit>(form, fields[i]);
            field->setMaxLength(32767); // longer texts come only from code; survive them too
            field->setText(texts[i]);
        }
        for (const QString &name : own + other)
            get<QLabel>(form, name)->setText("old " + name);
        form.setRET(kRetBefore);

        QStringList log;
        const auto state = [&] {
            const QWidget *f = QApplication::focusWidget();
            return QStringLiteral(" | RET=%1 focus=%2 %3 %4")
                .arg(QString::number(form.RET()), f ? f->objectName() : QString(),
                     get<QLabel>(form, own[0])->text(), get<QLabel>(form, own[1])->text());
        };
        form.setNoticeHandler(recordNotices(
            [&](const Notice &n) {
                log << QStringLiteral("notice %1 %2 %3").arg(n.text).arg(n.style).arg(n.title) +
                           state();
            },
            kAnswer));
        // A field's FocusIn adds a line to the log while the handler runs.
        FocusRecorder focusIns(QEvent::FocusIn, [&](QObject *field) {
            log << "focus " + field->objectName() + state();
        });
        for (const QString &name : fields)
            get(form, name)->installEventFilter(&focusIns);

        button == 1 ? form.Command1_Click() : form.Command2_Click();

        // Notice, then RET, then the focus, and only then are the old captions cleared.
        const QString old = QStringLiteral("old %1 old %2").arg(own[0], own[1]);
        const QStringList expected =
            notice.isEmpty() ? QStringList()
                             : QStringList{QStringLiteral("notice %1 0 Koyomix | RET=%2 focus= %3")
                                               .arg(notice, QString::number(kRetBefore), old),
                                           QStringLiteral("focus %1 | RET=%2 focus=%1 %3")
                                               .arg(focus, QString::number(kAnswer), old)};
        QCOMPARE(log, expected);
        QCOMPARE(form.RET(), notice.isEmpty() ? kRetBefore : qint16(kAnswer));
        QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "",
                 focus);
        QCOMPARE(get<QLabel>(form, own[0])->text(), first);
        QCOMPARE(get<QLabel>(form, own[1])->text(), second);
        for (const QString &name : other)
            QCOMPARE(get<QLabel>(form, name)->text(), "old " + name);
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(get<QLineEdit>(form, fields[i])->text(), texts[i]);
    }

    static void columns()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
    }
    // A click that clears both labels, after the notice (if any) and the focus move.
    static void fails(const char *row, const QStringList &texts, const QString &notice = {},
                      const char *focus = "")
    {
        QTest::newRow(row) << texts << notice << QString::fromLatin1(focus) << QString()
                           << QString();
    }
    static void gives(const char *row, const QStringList &texts, const char *first,
                      const char *second)
    {
        QTest::newRow(row) << texts << QString() << QString() << QString::fromLatin1(first)
                           << QString::fromUtf8(second);
    }

private Q_SLOTS:
    void command1_data()
    {
        columns();
        fails("all empty: labels cleared, no notice", QStringList{"", "", ""});
        fails("only the year empty", {"", "03", "11"}, yearMissing, "Text1");
        fails("only the month empty", {"2001", "", "11"}, monthMissing, "Text2");
        fails("only the day empty", {"2001", "03", ""}, dayMissing, "Text3");
        fails("year and day empty: only the year told", {"", "03", ""}, yearMissing, "Text1");
        fails("2001 is not leap", {"2001", "02", "29"}, impossible, "Text1");
        fails("a blank month counts as filled", {"2001", " ", "11"}, impossible, "Text1");
        fails("unchecked blank year: its check's notice", {" ", "03", "11"}, digits, "Text1");
        fails("unchecked letters: the year's notice first", {"abcd", "ef", "gh"}, digits, "Text1");
        fails("unchecked five-digit year", {"12345", "03", "11"}, yearLength, "Text1");
        fails("unchecked year 0000 is outside the range", {"0000", "03", "11"}, yearRange, "Text1");
        fails("unchecked year -1", {"-1", "03", "11"}, digits, "Text1");
        fails("unchecked 1899 is outside the range", {"1899", "12", "31"}, yearRange, "Text1");
        fails("unchecked year 5 is not 2005 until checked", {"5", "03", "11"}, yearRange, "Text1");
        gives("11 March 2001", QStringList{"2001", "03", "11"}, "2001/070", "平成13年3月11日 (日)");
        gives("31 December 2999 is the last day", QStringList{"2999", "12", "31"}, "2999/365",
              "令和981年12月31日 (火)");
    }
    void command1() { click(1); }

    void command2_data()
    {
        columns();
        fails("both empty: labels cleared, no notice", QStringList{"", ""});
        fails("year missing", {"", "070"}, yearMissing, "Text4");
        fails("day missing", {"2001", ""}, dayMissing, "Text5");
        fails("day 366 of 2001, focus on the year", {"2001", "366"}, impossible, "Text4");
        fails("year with a leading zero", {"02001", "070"}, yearLength, "Text4");
        fails("unchecked blank year: its check's notice", {" ", "070"}, ordinalYearDigits, "Text4");
        fails("unchecked blank day", {"2001", "   "}, digits, "Text5");
        fails("unchecked letters: the year's notice first", {"abcd", "efg"}, ordinalYearDigits,
              "Text4");
        fails("unchecked year 0000 is outside the range", {"0000", "001"}, yearRange, "Text4");
        fails("unchecked year -1", {"-1", "001"}, digits, "Text4");
        fails("unchecked year 999 is outside the range", {"999", "001"}, yearRange, "Text4");
        fails("unchecked day 367 is outside the range", {"2000", "367"}, dayRange, "Text5");
        fails("unchecked day 000 is outside the range", {"2001", "000"}, dayRange, "Text5");
        fails("unchecked day beyond 32 bits", {"2001", "99999999999"}, dayOfYearLength, "Text5");
        fails("unchecked negative day", {"2001", "-1"}, digits, "Text5");
        gives("day 070 of 2001", QStringList{"2001", "070"}, "2001/03/11", "平成13年3月11日 (日)");
        gives("unchecked day 70 is day 070", QStringList{"2001", "70"}, "2001/03/11",
              "平成13年3月11日 (日)");
        gives("day 366 of 2000, a leap year", QStringList{"2000", "366"}, "2000/12/31",
              "平成12年12月31日 (日)");
    }
    void command2() { click(2); }

    // Every row of sample texts through both buttons, as a user sees it: both results written,
    // or both cleared after one notice (without one only for an empty row); a result typed into
    // the other row converts back to the date typed, with the same era date.
    void everySampleRow_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("converted"); // rows that are a date
        QTest::newRow("Command1: 81 of 16^3 calendar rows convert") << 1 << 81;
        QTest::newRow("Command2: 30 of 16^2 ordinal rows convert") << 2 << 30;
    }
    void everySampleRow()
    {
        QFETCH(int, button);
        const QStringList samples{"",   " ",  "2001", "1900", "2999", "5",   "01", "12",
                                  "13", "31", "29",   "070",  "366",  "000", "x",  "0"};
        ShownWindow form;
        QVERIFY(form.load({}, nullptr));
        const auto click = [&form](int which) {
            form.notices.clear();
            which == 1 ? form.Command1_Click() : form.Command2_Click();
            return QStringList{get<QLabel>(form, labelsOf[which][0])->text(),
                               get<QLabel>(form, labelsOf[which][1])->text()};
        };
        const auto numbers = [](const QStringList &texts) { // "005" and "5" are the same day
            QList<int> all;
            for (const QString &text : texts)
                all << text.toInt();
            return all;
        };
        const QStringList &fields = fieldsOf[button], &other = fieldsOf[3 - button];
        int converted = 0;
        for (int row = 0; row < std::pow(samples.size(), fields.size()); ++row) {
            QStringList typed; // as the fields hold it, cut to their maximum lengths
            for (int i = 0, rest = row; i < fields.size(); ++i, rest /= samples.size()) {
                get<QLineEdit>(form, fields[i])->setText(samples[rest % samples.size()]);
                typed << get<QLineEdit>(form, fields[i])->text();
            }
            const QStringList result = click(button);
            const QString what = typed.join(u'|') + QStringLiteral(" gives ") + result.join(u' ');
            if (result[0].isEmpty()) {
                const int notices = typed.join(QString()).isEmpty() ? 0 : 1;
                QVERIFY2(result[1].isEmpty() && form.notices.size() == notices, qPrintable(what));
                continue;
            }
            QVERIFY2(!result[1].isEmpty() && form.notices.isEmpty(), qPrintable(what));
            ++converted;
            const QStringList parts = result[0].split(u'/');
            for (int i = 0; i < other.size(); ++i)
                get<QLineEdit>(form, other[i])->setText(parts[i]);
            const QStringList back = click(3 - button);
            QVERIFY2(numbers(back[0].split(u'/')) == numbers(typed) && back[1] == result[1],
                     qPrintable(what + QStringLiteral(", back ") + back.join(u' ')));
        }
        QTEST(converted, "converted");
    }

    void membersWriteOnlyTheirFieldOrRaiseOneNotice_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written"); // empty when rejected
        QTest::addColumn<QString>("notice");
        memberRow("chkYYYY writes Text1", "chkYYYY", "7", "2007");
        memberRow("chkMM writes Text2", "chkMM", "3", "03");
        memberRow("chkDD writes Text3", "chkDD", "31", "31");
        memberRow("chkYYYY2 writes Text4", "chkYYYY2", "99", "2099");
        memberRow("chkDDD writes Text5", "chkDDD", "60", "060");
        memberRow("chkYYYY2 letters: doubled を", "chkYYYY2", "ab", "", ordinalYearDigits);
        memberRow("chkYYYY2 +5: single を", "chkYYYY2", "+5", "", digits);
        memberRow("chkDDD letters: single を", "chkDDD", "ab", "", digits);
        memberRow("chkMM 13", "chkMM", "13", "", monthRange);
    }
    void membersWriteOnlyTheirFieldOrRaiseOneNotice()
    {
        QFETCH(QString, member);
        QFETCH(QString, argument);
        QFETCH(QString, written);
        ShownWindow form(ShownWindow::RecordedNotices, kAnswer);
        QVERIFY(form.load({}, nullptr));
        const Member m = members.value(member);
        for (const QString &name : fieldNames)
            get<QLineEdit>(form, name)->setText(QStringLiteral("x"));
        QCOMPARE((form.*m.check)(argument), written.isEmpty() ? 1 : 0);
        QStringList texts, expected(fieldNames.size(), QStringLiteral("x"));
        if (!written.isEmpty())
            expected[fieldNames.indexOf(m.field)] = written;
        for (const QString &name : fieldNames)
            texts << get<QLineEdit>(form, name)->text();
        QCOMPARE(texts, expected);
        QCOMPARE(form.notices.size(), written.isEmpty() ? 1 : 0);
        // Not the OK code: RET must hold what the notice returned.
        QCOMPARE(form.RET(), written.isEmpty() ? kAnswer : 0);
        if (written.isEmpty()) {
            QTEST(form.notices[0].text, "notice");
            QCOMPARE(form.notices[0].style, 0);
            QCOMPARE(form.notices[0].title, QStringLiteral("Koyomix"));
        }
    }

    void lostFocusHandlers_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("notice");
        memberRow("empty year: no check", "chkYYYY", "", "");
        memberRow("spaces around year vanish", "chkYYYY", " 7\u3000", "2007");
        memberRow("accepted year written again", "chkYYYY", "2001", "2001");
        memberRow("month of spaces keeps them", "chkMM", "  ", "  ", digits);
        memberRow("ordinal year of spaces: doubled を", "chkYYYY2", " \u3000 ", " \u3000 ",
                  ordinalYearDigits);
        memberRow("rejected day keeps its spaces", "chkDD", " 0", " 0", dayRange);
        memberRow("spaces around day of year vanish", "chkDDD", " 5 ", "005");
    }
    void lostFocusHandlers()
    {
        QFETCH(QString, member);
        QFETCH(QString, typed);
        QFETCH(QString, notice);
        ShownWindow form(ShownWindow::RecordedNotices, kAnswer);
        QVERIFY(form.load({}, nullptr));
        const Member m = members.value(member);
        get<QLineEdit>(form, m.field)->setText(typed);
        get<QLineEdit>(form, m.field == QLatin1String("Text1") ? "Text2" : "Text1")->setFocus();
        (form.*m.lostFocus)();
        QTEST(get<QLineEdit>(form, m.field)->text(), "after");
        QCOMPARE(form.notices.size(), notice.isEmpty() ? 0 : 1);
        if (!notice.isEmpty()) {
            QCOMPARE(form.notices[0].text, notice);
            QCOMPARE(form.focusWidget(), get<QLineEdit>(form, m.field));
        }
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
