// The handlers Form1 runs on a real window: the five check members and the lost-focus
// handlers with the notice seam, and the two buttons.
#include "noticetexts.h"
#include "windowprobe.h"

#include <QRegularExpression>

#include <cmath>

using namespace windowprobe;

namespace {

using namespace noticetexts;
constexpr int kAnswer = 7; // what the recorded user answers a notice with; RET must take it
constexpr qint16 kRetBefore = 42;
// The fields and the two result labels of each button's row, by the button's number.
const QStringList fieldsOf[] = {{}, {"Text1", "Text2", "Text3"}, {"Text4", "Text5"}};
const QStringList labelsOf[] = {{}, {"Label1", "Label2"}, {"Label4", "Label5"}};
const QStringList fieldNames = fieldsOf[1] + fieldsOf[2];

// The texts of the window's named controls.
QStringList textsOf(const QWidget &form, const QStringList &names)
{
    QStringList texts;
    for (const QString &name : names)
        texts << get(form, name)->property("text").toString();
    return texts;
}

// Each field's check member and the lost-focus handler that calls it.
const QStringList memberNames{"chkYYYY", "chkMM", "chkDD", "chkYYYY2", "chkDDD"};
qint16 (Form1::*const checkOf[])(const QString &) = {&Form1::chkYYYY, &Form1::chkMM, &Form1::chkDD,
                                                     &Form1::chkYYYY2, &Form1::chkDDD};
void (Form1::*const lostFocusOf[])() = {&Form1::Text1_LostFocus, &Form1::Text2_LostFocus,
                                        &Form1::Text3_LostFocus, &Form1::Text4_LostFocus,
                                        &Form1::Text5_LostFocus};

// A member called with a text, or its lost-focus handler with the text typed into its field;
// the field's text after it, and the notice.
void memberRow(const char *name, const char *member, bool lostFocus, const char *text,
               const char *after, const QString &notice = {})
{
    QTest::newRow(name) << member << lostFocus << text << after << notice;
}

} // namespace

class TestConvert : public QObject
{
    Q_OBJECT

    // A click that clears both labels, after the notice (if any) and the focus move. Three texts
    // are the calendar row's, for Command1; two the ordinal row's, for Command2.
    static void fails(const char *row, const QStringList &texts, const QString &notice = {},
                      const char *focus = "")
    {
        QTest::addRow("Command%d: %s", 4 - int(texts.size()), row)
            << texts << notice << QString(focus) << QStringList{"", ""};
    }
    static void gives(const char *row, const QStringList &texts, const char *first,
                      const char *second)
    {
        QTest::addRow("Command%d: %s", 4 - int(texts.size()), row)
            << texts << QString() << QString() << QStringList{first, second};
    }

private Q_SLOTS:
    void buttons_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("results"); // the two result captions
        fails("all empty: labels cleared, no notice", {"", "", ""});
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
        gives("11 March 2001", {"2001", "03", "11"}, "2001/070", "平成13年3月11日 (日)");
        gives("31 December 2999 is the last day", {"2999", "12", "31"}, "2999/365",
              "令和981年12月31日 (火)");
        fails("both empty: labels cleared, no notice", {"", ""});
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
        gives("day 070 of 2001", {"2001", "070"}, "2001/03/11", "平成13年3月11日 (日)");
        gives("unchecked day 70 is day 070", {"2001", "70"}, "2001/03/11", "平成13年3月11日 (日)");
        gives("day 366 of 2000, a leap year", {"2000", "366"}, "2000/12/31",
              "平成12年12月31日 (日)");
    }
    // One click of a button on a real, active Form1. Every effect is logged in the order it
    // happens, each with RET, the focus and both result captions at that moment.
    void buttons()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, notice);
        QFETCH(QString, focus); // empty: nobody gets the focus
        QFETCH(QStringList, results);
        const int button = 4 - int(texts.size());
        const QStringList &fields = fieldsOf[button], &own = labelsOf[button],
                          &other = labelsOf[3 - button];
        ShownWindow form;
        QVERIFY(form.load({}, nullptr));
        for (int i = 0; i < texts.size(); ++i) {
            // Longer texts than a field takes come only from code; survive them too.
            get<QLineEdit>(form, fields[i])->setMaxLength(32767);
            get<QLineEdit>(form, fields[i])->setText(texts[i]);
        }
        for (const QString &name : own + other)
            get<QLabel>(form, name)->setText("old " + name);
        form.setRET(kRetBefore);

        // Each notice and each FocusIn of a field, logged as it happens while the handler runs,
        // and the end, each with RET, the focus and the row's captions at that moment.
        QStringList log;
        const auto note = [&](const QString &what) {
            const QWidget *focused = QApplication::focusWidget();
            log << (QStringList{what, QString::number(form.RET()),
                                focused ? focused->objectName() : QString()} +
                    textsOf(form, own))
                       .join(u'|');
        };
        form.setNoticeHandler(recordNotices(
            [&](const Notice &n) {
                note(QStringLiteral("notice %1 %2 %3").arg(n.text).arg(n.style).arg(n.title));
            },
            kAnswer));
        FocusRecorder focusIns(QEvent::FocusIn,
                               [&](QObject *field) { note("focus " + field->objectName()); });
        for (const QString &name : fields)
            get(form, name)->installEventFilter(&focusIns);

        button == 1 ? form.Command1_Click() : form.Command2_Click();
        note("end");

        // Notice, then RET, then the focus, and only then are the old captions cleared.
        const QString old = QStringLiteral("old %1|old %2").arg(own[0], own[1]);
        QStringList expected;
        if (!notice.isEmpty())
            expected
                << QStringLiteral("notice %1 0 Koyomix|%2||%3")
                       .arg(notice, QString::number(kRetBefore), old)
                << QStringLiteral("focus %1|%2|%1|%3").arg(focus, QString::number(kAnswer), old);
        const qint16 ret = notice.isEmpty() ? kRetBefore : qint16(kAnswer);
        expected << QStringLiteral("end|%1|%2|").arg(QString::number(ret), focus) +
                        results.join(u'|');
        QCOMPARE(log, expected);
        // The other row's captions and the fields stay as they were.
        QCOMPARE(textsOf(form, other + fields),
                 QStringList({"old " + other[0], "old " + other[1]}) + texts);
    }

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
            return textsOf(form, labelsOf[which]);
        };
        // "005" and "5" are the same day.
        const QRegularExpression leadingZeros(QStringLiteral("(^|/)0+(?=\\d)"));
        const QStringList &fields = fieldsOf[button], &other = fieldsOf[3 - button];
        int converted = 0;
        for (int row = 0; row < std::pow(samples.size(), fields.size()); ++row) {
            for (int i = 0, rest = row; i < fields.size(); ++i, rest /= samples.size())
                get<QLineEdit>(form, fields[i])->setText(samples[rest % samples.size()]);
            const QStringList typed = textsOf(form, fields); // cut to the fields' maximum lengths
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
            QVERIFY2(QString(back[0]).replace(leadingZeros, "\\1") ==
                             typed.join(u'/').replace(leadingZeros, "\\1") &&
                         back[1] == result[1],
                     qPrintable(what + QStringLiteral(", back ") + back.join(u' ')));
        }
        QTEST(converted, "converted");
    }

    // A check member called with a text writes only its own field, normalised, or leaves every
    // field as it was and raises one notice whose answer goes into RET. Its lost-focus handler
    // checks the typed text without the spaces around it, and puts the focus back on a notice.
    void checkMembers_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<bool>("lostFocus");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("after"); // the field's text; "x" when a call leaves it
        QTest::addColumn<QString>("notice");
        memberRow("chkYYYY writes Text1", "chkYYYY", false, "7", "2007");
        memberRow("chkMM writes Text2", "chkMM", false, "3", "03");
        memberRow("chkDD writes Text3", "chkDD", false, "31", "31");
        memberRow("chkYYYY2 writes Text4", "chkYYYY2", false, "99", "2099");
        memberRow("chkDDD writes Text5", "chkDDD", false, "60", "060");
        memberRow("chkYYYY2 letters: doubled を", "chkYYYY2", false, "ab", "x", ordinalYearDigits);
        memberRow("chkYYYY2 +5: single を", "chkYYYY2", false, "+5", "x", digits);
        memberRow("chkDDD letters: single を", "chkDDD", false, "ab", "x", digits);
        memberRow("chkMM 13", "chkMM", false, "13", "x", monthRange);
        memberRow("lost focus: empty year: no check", "chkYYYY", true, "", "");
        memberRow("lost focus: spaces around year vanish", "chkYYYY", true, " 7\u3000", "2007");
        memberRow("lost focus: accepted year written again", "chkYYYY", true, "2001", "2001");
        memberRow("lost focus: month of spaces keeps them", "chkMM", true, "  ", "  ", digits);
        memberRow("lost focus: ordinal year of spaces: doubled を", "chkYYYY2", true, " \u3000 ",
                  " \u3000 ", ordinalYearDigits);
        memberRow("lost focus: rejected day keeps its spaces", "chkDD", true, " 0", " 0", dayRange);
        memberRow("lost focus: spaces around day of year vanish", "chkDDD", true, " 5 ", "005");
    }
    void checkMembers()
    {
        QFETCH(QString, member);
        QFETCH(bool, lostFocus);
        QFETCH(QString, text);
        QFETCH(QString, after);
        QFETCH(QString, notice);
        ShownWindow form(ShownWindow::RecordedNotices, kAnswer);
        QVERIFY(form.load({}, nullptr));
        const int m = memberNames.indexOf(member);
        // The other fields stay empty for a lost focus: their own handlers must find nothing.
        QStringList expected(fieldNames.size(), lostFocus ? QString() : QStringLiteral("x"));
        for (int i = 0; i < fieldNames.size(); ++i)
            get<QLineEdit>(form, fieldNames[i])->setText(expected[i]);
        if (lostFocus) {
            get<QLineEdit>(form, fieldNames[m])->setText(text);
            get<QLineEdit>(form, fieldNames[m == 0 ? 1 : 0])->setFocus();
            (form.*lostFocusOf[m])();
        } else {
            QCOMPARE((form.*checkOf[m])(text), notice.isEmpty() ? 0 : 1);
        }
        expected[m] = after;
        QCOMPARE(textsOf(form, fieldNames), expected);
        QStringList notices;
        for (const Notice &n : form.notices)
            notices << QStringLiteral("%1 %2 %3").arg(n.text).arg(n.style).arg(n.title);
        QCOMPARE(notices, notice.isEmpty() ? QStringList() : QStringList(notice + " 0 Koyomix"));
        // Not the OK code: RET must hold what the notice returned.
        QCOMPARE(form.RET(), notice.isEmpty() ? 0 : kAnswer);
        if (lostFocus && !notice.isEmpty())
            QCOMPARE(form.focusWidget(), get<QLineEdit>(form, fieldNames[m]));
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
