#include "app/form1.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

namespace {

const QString kYear = QStringLiteral("年を入力してください");
const QString kMonth = QStringLiteral("月を入力してください");
const QString kDay = QStringLiteral("日を入力してください");
const QString kImpossible = QStringLiteral("有効な日付ではありません");
constexpr int kNoticeResult = 7; // what the recorded "user" answers; RET must take it
constexpr qint16 kRetBefore = 42;

} // namespace

// Runs one click on a real Form1 and records every effect in the order it happens: the
// notice (with the captions and the focus at that moment) and each field gaining the focus.
class TestConvert : public QObject
{
    Q_OBJECT

    struct Row
    {
        QStringList fields; // Text1..3 or Text4..5
        QStringList own;    // the two result labels of the button
        QStringList other;  // the two result labels of the other row
    };

    QString caption(Form1 &form, const QString &name)
    {
        return form.findChild<QLabel *>(name)->text();
    }

    void click(int button, const QStringList &texts, const QString &notice, const QString &focus,
               const QString &first, const QString &second)
    {
        const Row row =
            button == 1
                ? Row{{"Text1", "Text2", "Text3"}, {"Label1", "Label2"}, {"Label4", "Label5"}}
                : Row{{"Text4", "Text5"}, {"Label4", "Label5"}, {"Label1", "Label2"}};
        Form1 form;
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        if (QWidget *w = QApplication::focusWidget())
            w->clearFocus();
        // Longer texts than the fields take from the keyboard reach the handler only through
        // code, but the handler must survive them too.
        for (int i = 0; i < texts.size(); ++i) {
            auto *field = form.findChild<QLineEdit *>(row.fields[i]);
            field->setMaxLength(32767);
            field->setText(texts[i]);
        }
        for (const QString &label : row.own + row.other)
            form.findChild<QLabel *>(label)->setText(QStringLiteral("old ") + label);
        form.setRET(kRetBefore);

        QStringList log;
        const auto state = [&] {
            QWidget *f = QApplication::focusWidget();
            return QStringLiteral("RET=%1 focus=%2 %3=%4 %5=%6")
                .arg(form.RET())
                .arg(f ? f->objectName() : QString())
                .arg(row.own[0], caption(form, row.own[0]), row.own[1], caption(form, row.own[1]));
        };
        form.setNoticeHandler([&](const QString &text, int style, const QString &title) {
            log << QStringLiteral("notice %1 style=%2 title=%3 | ")
                           .arg(text)
                           .arg(style)
                           .arg(title) +
                       state();
            return kNoticeResult;
        });
        FocusRecorder recorder(log, state);
        for (const QString &name : row.fields)
            form.findChild<QLineEdit *>(name)->installEventFilter(&recorder);

        button == 1 ? form.Command1_Click() : form.Command2_Click();

        QStringList expected;
        const QString old = QStringLiteral("%1=old %1 %2=old %2").arg(row.own[0], row.own[1]);
        if (!notice.isEmpty()) {
            expected << QStringLiteral("notice %1 style=0 title=Koyomix | RET=%2 focus= ")
                                .arg(notice)
                                .arg(kRetBefore) +
                            old;
            // The focus moves after RET is stored and before the labels are cleared.
            expected
                << QStringLiteral("focus in %1 | RET=%2 focus=%1 ").arg(focus).arg(kNoticeResult) +
                       old;
        }
        QCOMPARE(log, expected);
        QCOMPARE(form.RET(), notice.isEmpty() ? kRetBefore : qint16(kNoticeResult));
        QWidget *f = QApplication::focusWidget();
        QCOMPARE(f ? f->objectName() : QString(), focus);
        QCOMPARE(caption(form, row.own[0]), first);
        QCOMPARE(caption(form, row.own[1]), second);
        for (const QString &label : row.other)
            QCOMPARE(caption(form, label), QStringLiteral("old ") + label);
        for (int i = 0; i < texts.size(); ++i)
            QCOMPARE(form.findChild<QLineEdit *>(row.fields[i])->text(), texts[i]);
    }

    class FocusRecorder : public QObject
    {
    public:
        FocusRecorder(QStringList &log, std::function<QString()> state)
            : m_log(log), m_state(std::move(state))
        {
        }
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::FocusIn)
                m_log << QStringLiteral("focus in %1 | ").arg(watched->objectName()) + m_state();
            return false;
        }

    private:
        QStringList &m_log;
        std::function<QString()> m_state;
    };

    void addColumns()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("focus"); // empty: the focus did not move
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
    }

private Q_SLOTS:
    void command1_data()
    {
        addColumns();
        const auto fail = [](const char *name, QStringList texts, const QString &notice,
                             const char *focus) {
            QTest::newRow(name) << texts << notice << QString::fromLatin1(focus) << ""
                                << "";
        };
        QTest::newRow("all empty: labels cleared, no notice") << QStringList{"", "", ""} << ""
                                                              << ""
                                                              << ""
                                                              << "";
        fail("only the year empty", {"", "03", "11"}, kYear, "Text1");
        fail("only the month empty", {"2001", "", "11"}, kMonth, "Text2");
        fail("only the day empty", {"2001", "03", ""}, kDay, "Text3");
        fail("year and day empty: only the year reported", {"", "03", ""}, kYear, "Text1");
        fail("29 February of common 2001", {"2001", "02", "29"}, kImpossible, "Text1");
        fail("1900 is not leap", {"1900", "02", "29"}, kImpossible, "Text1");
        fail("2100 is not leap", {"2100", "02", "29"}, kImpossible, "Text1");
        fail("April has 30 days, focus on the year", {"2001", "04", "31"}, kImpossible, "Text1");
        fail("a blank month counts as filled", {"2001", " ", "11"}, kImpossible, "Text1");
        fail("unchecked: blank year", {" ", "03", "11"}, kImpossible, "Text1");
        fail("unchecked: letters in the year", {"abcd", "03", "11"}, kImpossible, "Text1");
        fail("unchecked: five-digit year", {"12345", "03", "11"}, kImpossible, "Text1");
        fail("unchecked: year 0000", {"0000", "03", "11"}, kImpossible, "Text1");
        fail("unchecked: year -1", {"-1", "03", "11"}, kImpossible, "Text1");
        fail("unchecked: year 32768", {"32768", "03", "11"}, kImpossible, "Text1");
        fail("unchecked: one-digit month", {"2001", "3", "11"}, kImpossible, "Text1");
        fail("unchecked: full-width year", {QStringLiteral("２００１"), "03", "11"}, kImpossible,
             "Text1");
        QTest::newRow("11 March 2001") << QStringList{"2001", "03", "11"} << ""
                                       << ""
                                       << "2001/070" << QStringLiteral("平成13年3月11日 (日)");
        QTest::newRow("29 February 2000 is day 060")
            << QStringList{"2000", "02", "29"} << ""
            << ""
            << "2000/060" << QStringLiteral("平成12年2月29日 (火)");
        QTest::newRow("29 February 2400 is day 060")
            << QStringList{"2400", "02", "29"} << ""
            << ""
            << "2400/060" << QStringLiteral("令和382年2月29日 (火)");
        QTest::newRow("day 9 gets two zeros")
            << QStringList{"2001", "01", "09"} << ""
            << ""
            << "2001/009" << QStringLiteral("平成13年1月9日 (火)");
        QTest::newRow("unchecked year 1899 is still a date")
            << QStringList{"1899", "12", "31"} << ""
            << ""
            << "1899/365" << QStringLiteral("明治32年12月31日 (日)");
    }
    void command1()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, notice);
        QFETCH(QString, focus);
        QFETCH(QString, first);
        QFETCH(QString, second);
        click(1, texts, notice, focus, first, second);
    }

    void command2_data()
    {
        addColumns();
        const auto fail = [](const char *name, QStringList texts, const QString &notice,
                             const char *focus) {
            QTest::newRow(name) << texts << notice << QString::fromLatin1(focus) << ""
                                << "";
        };
        QTest::newRow("both empty: labels cleared, no notice") << QStringList{"", ""} << ""
                                                               << ""
                                                               << ""
                                                               << "";
        fail("year missing", {"", "070"}, kYear, "Text4");
        fail("day missing", {"2001", ""}, kDay, "Text5");
        fail("day 366 of common 2001, focus on the year", {"2001", "366"}, kImpossible, "Text4");
        fail("1900 is not leap", {"1900", "366"}, kImpossible, "Text4");
        fail("day 366 of 2999 would be 3000", {"2999", "366"}, kImpossible, "Text4");
        fail("day 000 is in the year before", {"2001", "000"}, kImpossible, "Text4");
        fail("year with a leading zero", {"02001", "070"}, kImpossible, "Text4");
        fail("year with a trailing blank", {"2001 ", "070"}, kImpossible, "Text4");
        fail("unchecked: blank year", {" ", "070"}, kImpossible, "Text4");
        fail("unchecked: blank day", {"2001", "   "}, kImpossible, "Text4");
        fail("unchecked: day with a blank", {"2001", " 70"}, kImpossible, "Text4");
        fail("unchecked: letters in the year", {"abcd", "070"}, kImpossible, "Text4");
        fail("unchecked: letters in the day", {"2001", "abc"}, kImpossible, "Text4");
        fail("unchecked: fractional day", {"2001", "7.5"}, kImpossible, "Text4");
        fail("unchecked: year 0000", {"0000", "001"}, kImpossible, "Text4");
        fail("unchecked: year -1", {"-1", "001"}, kImpossible, "Text4");
        fail("unchecked: year 32767", {"32767", "001"}, kImpossible, "Text4");
        fail("unchecked: year 32768 is beyond 16 bits", {"32768", "001"}, kImpossible, "Text4");
        fail("unchecked: year -32768", {"-32768", "001"}, kImpossible, "Text4");
        fail("unchecked: five-digit year", {"12345", "001"}, kImpossible, "Text4");
        fail("unchecked: huge day number", {"2001", "99999999999"}, kImpossible, "Text4");
        fail("unchecked: day number that wraps years", {"2001", "23936117"}, kImpossible, "Text4");
        fail("unchecked: negative day", {"2001", "-5"}, kImpossible, "Text4");
        QTest::newRow("day 070 of 2001") << QStringList{"2001", "070"} << ""
                                         << ""
                                         << "2001/03/11" << QStringLiteral("平成13年3月11日 (日)");
        QTest::newRow("day 366 of leap 2000")
            << QStringList{"2000", "366"} << ""
            << ""
            << "2000/12/31" << QStringLiteral("平成12年12月31日 (日)");
        QTest::newRow("day 060 of leap 2004")
            << QStringList{"2004", "060"} << ""
            << ""
            << "2004/02/29" << QStringLiteral("平成16年2月29日 (日)");
        QTest::newRow("day 365 of 2999")
            << QStringList{"2999", "365"} << ""
            << ""
            << "2999/12/31" << QStringLiteral("令和981年12月31日 (火)");
    }
    void command2()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, notice);
        QFETCH(QString, focus);
        QFETCH(QString, first);
        QFETCH(QString, second);
        click(2, texts, notice, focus, first, second);
    }

    // Same input twice gives the same captions.
    void twiceSameResult()
    {
        Form1 form;
        form.findChild<QLineEdit *>("Text4")->setText("2001");
        form.findChild<QLineEdit *>("Text5")->setText("070");
        form.Command2_Click();
        const QString first = caption(form, "Label4");
        form.Command2_Click();
        QCOMPARE(caption(form, "Label4"), first);
        QCOMPARE(first, QStringLiteral("2001/03/11"));
    }
};

QTEST_MAIN(TestConvert)
#include "tst_convert.moc"
