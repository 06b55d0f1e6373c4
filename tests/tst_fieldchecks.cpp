// The five check members and the lost-focus handlers on the window, with the notice seam.
#include "noticetexts.h"
#include "windowprobe.h"

#include <algorithm>

using namespace windowprobe;

namespace {

using namespace noticetexts;

const QStringList fieldNames{"Text1", "Text2", "Text3", "Text4", "Text5"};

} // namespace

class TestFieldChecks : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShownWindow> m_form;

    struct Member
    {
        const char *name;
        qint16 (Form1::*check)(const QString &);
        void (Form1::*lostFocus)();
        const char *field;
    };
    static inline const Member members[] = {
        {"chkYYYY", &Form1::chkYYYY, &Form1::Text1_LostFocus, "Text1"},
        {"chkMM", &Form1::chkMM, &Form1::Text2_LostFocus, "Text2"},
        {"chkDD", &Form1::chkDD, &Form1::Text3_LostFocus, "Text3"},
        {"chkYYYY2", &Form1::chkYYYY2, &Form1::Text4_LostFocus, "Text4"},
        {"chkDDD", &Form1::chkDDD, &Form1::Text5_LostFocus, "Text5"},
    };
    static const Member &member(const QString &name)
    {
        return *std::find_if(std::begin(members), std::end(members),
                             [&name](const Member &m) { return name == QLatin1String(m.name); });
    }

    // A member, the text it gets (or the field holds), the field's text after it, the notice.
    static void row(const char *name, const char *member, const char *text, const char *after,
                    const QString &notice = {})
    {
        QTest::newRow(name) << member << text << after << notice;
    }

private Q_SLOTS:
    void init()
    {
        // Not the OK code: RET must hold what the notice returned.
        m_form = std::make_unique<ShownWindow>(ShownWindow::RecordedNotices, 7);
        QVERIFY(m_form->load({}, nullptr));
    }

    void membersWriteOnlyTheirFieldOrRaiseOneNotice_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written"); // empty when rejected
        QTest::addColumn<QString>("notice");
        row("chkYYYY writes Text1", "chkYYYY", "7", "2007");
        row("chkMM writes Text2", "chkMM", "3", "03");
        row("chkDD writes Text3", "chkDD", "31", "31");
        row("chkYYYY2 writes Text4", "chkYYYY2", "99", "2099");
        row("chkDDD writes Text5", "chkDDD", "60", "060");
        row("chkYYYY2 letters: doubled を", "chkYYYY2", "ab", "", ordinalYearDigits);
        row("chkYYYY2 +5: single を", "chkYYYY2", "+5", "", digits);
        row("chkDDD letters: single を", "chkDDD", "ab", "", digits);
        row("chkMM 13", "chkMM", "13", "", monthRange);
    }

    void membersWriteOnlyTheirFieldOrRaiseOneNotice()
    {
        QFETCH(QString, member);
        QFETCH(QString, argument);
        QFETCH(QString, written);
        const Member &m = TestFieldChecks::member(member);
        for (const QString &name : fieldNames)
            get<QLineEdit>(*m_form, name)->setText(QStringLiteral("x"));
        const qint16 result = (m_form.get()->*m.check)(argument);
        QCOMPARE(result, written.isEmpty() ? 1 : 0);
        QStringList texts, expected(fieldNames.size(), QStringLiteral("x"));
        if (!written.isEmpty())
            expected[fieldNames.indexOf(m.field)] = written;
        for (const QString &name : fieldNames)
            texts << get<QLineEdit>(*m_form, name)->text();
        QCOMPARE(texts, expected);
        QCOMPARE(m_form->notices.size(), written.isEmpty() ? 1 : 0);
        if (written.isEmpty()) {
            QTEST(m_form->notices[0].text, "notice");
            QCOMPARE(m_form->notices[0].style, 0);
            QCOMPARE(m_form->notices[0].title, QStringLiteral("Koyomix"));
            QCOMPARE(m_form->RET(), 7);
        } else {
            QCOMPARE(m_form->RET(), 0);
        }
    }

    void lostFocusHandlers_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("notice");
        row("empty year: no check", "chkYYYY", "", "");
        row("spaces around year vanish", "chkYYYY", " 7\u3000", "2007");
        row("accepted year written again", "chkYYYY", "2001", "2001");
        row("month of spaces keeps them", "chkMM", "  ", "  ", digits);
        row("ordinal year of spaces: doubled を", "chkYYYY2", " \u3000 ", " \u3000 ",
            ordinalYearDigits);
        row("rejected day keeps its spaces", "chkDD", " 0", " 0", dayRange);
        row("spaces around day of year vanish", "chkDDD", " 5 ", "005");
    }

    void lostFocusHandlers()
    {
        QFETCH(QString, member);
        QFETCH(QString, typed);
        QFETCH(QString, notice);
        const Member &m = TestFieldChecks::member(member);
        get<QLineEdit>(*m_form, m.field)->setText(typed);
        get<QLineEdit>(*m_form, m.field == QLatin1String("Text1") ? "Text2" : "Text1")->setFocus();
        (m_form.get()->*m.lostFocus)();
        QTEST(get<QLineEdit>(*m_form, m.field)->text(), "after");
        QCOMPARE(m_form->notices.size(), notice.isEmpty() ? 0 : 1);
        if (!notice.isEmpty()) {
            QCOMPARE(m_form->notices[0].text, notice);
            QCOMPARE(m_form->focusWidget(), get<QLineEdit>(*m_form, m.field));
        }
    }
};

QTEST_MAIN(TestFieldChecks)
#include "tst_fieldchecks.moc"
