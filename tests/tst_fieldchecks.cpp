// The five check members and the lost-focus handlers on the window, with the notice seam.
#include "app/form1.h"
#include "windowprobe.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTest>

using namespace windowprobe;

namespace {

const QStringList fieldNames{"Text1", "Text2", "Text3", "Text4", "Text5"};

} // namespace

class TestFieldChecks : public QObject
{
    Q_OBJECT

    std::unique_ptr<Form1> m_form;
    QList<Notice> m_notices;

    QString allFields()
    {
        QStringList texts;
        for (const QString &name : fieldNames)
            texts << get<QLineEdit>(*m_form, name)->text();
        return texts.join(u'|');
    }

    using Check = qint16 (Form1::*)(const QString &);
    struct Member
    {
        const char *name;
        Check check;
        void (Form1::*lostFocus)();
        const char *field;
        int length;
        const char *low, *high; // accepted range, both included
    };
    static inline const Member members[] = {
        {"chkYYYY", &Form1::chkYYYY, &Form1::Text1_LostFocus, "Text1", 4, "1900", "2999"},
        {"chkMM", &Form1::chkMM, &Form1::Text2_LostFocus, "Text2", 2, "01", "12"},
        {"chkDD", &Form1::chkDD, &Form1::Text3_LostFocus, "Text3", 2, "01", "31"},
        {"chkYYYY2", &Form1::chkYYYY2, &Form1::Text4_LostFocus, "Text4", 4, "1900", "2999"},
        {"chkDDD", &Form1::chkDDD, &Form1::Text5_LostFocus, "Text5", 3, "001", "366"},
    };
    static const Member &member(const QString &name)
    {
        for (const Member &m : members) {
            if (name == QLatin1String(m.name))
                return m;
        }
        return members[0];
    }

private Q_SLOTS:
    void init()
    {
        m_form = std::make_unique<Form1>();
        m_notices.clear();
        // Not the OK code: RET must hold what the notice returned.
        m_form->setNoticeHandler(recordNotices([this](const Notice &n) { m_notices << n; }, 7));
    }

    void membersWriteOnlyTheirFieldOrRaiseOneNotice_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written"); // empty when rejected
        QTest::addColumn<QString>("notice");
        QTest::newRow("chkYYYY writes Text1") << "chkYYYY"
                                              << "7"
                                              << "2007"
                                              << "";
        QTest::newRow("chkMM writes Text2") << "chkMM"
                                            << "3"
                                            << "03"
                                            << "";
        QTest::newRow("chkDD writes Text3") << "chkDD"
                                            << "31"
                                            << "31"
                                            << "";
        QTest::newRow("chkYYYY2 writes Text4") << "chkYYYY2"
                                               << "99"
                                               << "2099"
                                               << "";
        QTest::newRow("chkDDD writes Text5") << "chkDDD"
                                             << "60"
                                             << "060"
                                             << "";
        QTest::newRow("chkYYYY2 letters: doubled を") << "chkYYYY2"
                                                      << "ab"
                                                      << ""
                                                      << "数字をを入力してください";
        QTest::newRow("chkYYYY2 +5: single を") << "chkYYYY2"
                                                << "+5"
                                                << ""
                                                << "数字を入力してください";
        QTest::newRow("chkDDD letters: single を") << "chkDDD"
                                                   << "ab"
                                                   << ""
                                                   << "数字を入力してください";
        QTest::newRow("chkMM 13") << "chkMM"
                                  << "13"
                                  << ""
                                  << "月は１月～１２月までです";
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
        QStringList expected(fieldNames.size(), QStringLiteral("x"));
        if (!written.isEmpty())
            expected[fieldNames.indexOf(m.field)] = written;
        QCOMPARE(allFields(), expected.join(u'|'));
        QCOMPARE(m_notices.size(), written.isEmpty() ? 1 : 0);
        if (written.isEmpty()) {
            QTEST(m_notices[0].text, "notice");
            QCOMPARE(m_notices[0].style, 0);
            QCOMPARE(m_notices[0].title, QStringLiteral("Koyomix"));
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
        QTest::newRow("empty year: no check") << "chkYYYY"
                                              << ""
                                              << ""
                                              << "";
        QTest::newRow("spaces around year vanish") << "chkYYYY"
                                                   << " 7\u3000"
                                                   << "2007"
                                                   << "";
        QTest::newRow("accepted year written again") << "chkYYYY"
                                                     << "2001"
                                                     << "2001"
                                                     << "";
        QTest::newRow("month of spaces keeps them") << "chkMM"
                                                    << "  "
                                                    << "  "
                                                    << "数字を入力してください";
        QTest::newRow("ordinal year of spaces: doubled を") << "chkYYYY2"
                                                            << " \u3000 "
                                                            << " \u3000 "
                                                            << "数字をを入力してください";
        QTest::newRow("rejected day keeps its spaces") << "chkDD"
                                                       << " 0"
                                                       << " 0"
                                                       << "有効な日ではありません";
        QTest::newRow("spaces around day of year vanish") << "chkDDD"
                                                          << " 5 "
                                                          << "005"
                                                          << "";
    }

    void lostFocusHandlers()
    {
        QFETCH(QString, member);
        QFETCH(QString, typed);
        QFETCH(QString, notice);
        const Member &m = TestFieldChecks::member(member);
        m_form->show();
        get<QLineEdit>(*m_form, m.field)->setText(typed);
        get<QLineEdit>(*m_form, m.field == QLatin1String("Text1") ? "Text2" : "Text1")->setFocus();
        (m_form.get()->*m.lostFocus)();
        QTEST(get<QLineEdit>(*m_form, m.field)->text(), "after");
        QCOMPARE(m_notices.size(), notice.isEmpty() ? 0 : 1);
        if (!notice.isEmpty()) {
            QCOMPARE(m_notices[0].text, notice);
            QCOMPARE(m_form->focusWidget(), get<QLineEdit>(*m_form, m.field));
        }
    }

    // Any UTF-16 text up to 8 code units, surrogates and full-width forms included, drawn
    // mostly from characters that the rule treats specially.
    void randomTexts()
    {
        QRandomGenerator random(20261207);
        const QString special = QStringLiteral("0123456789 \u3000+-.,eE０５９ａx\t");
        QString text;
        for (const Member &m : members) {
            int accepted = 0;
            for (int i = 0; i < 200'000; ++i) {
                text.clear();
                const int length = random.bounded(9);
                for (int k = 0; k < length; ++k) {
                    text += random.bounded(4) == 0 ? QChar(char16_t(random.bounded(0x10000)))
                                                   : special[random.bounded(special.size())];
                }
                get<QLineEdit>(*m_form, m.field)->setText(QStringLiteral("?"));
                m_notices.clear();
                const qint16 result = (m_form.get()->*m.check)(text);
                const QString after = get<QLineEdit>(*m_form, m.field)->text();
                if (result == 1) {
                    QCOMPARE(m_notices.size(), 1);
                    QCOMPARE(after, QStringLiteral("?"));
                    continue;
                }
                QCOMPARE(result, 0);
                ++accepted;
                QVERIFY2(m_notices.isEmpty(), qPrintable(text));
                QCOMPARE(after.size(), m.length);
                QVERIFY2(std::all_of(after.begin(), after.end(),
                                     [](QChar c) { return c >= u'0' && c <= u'9'; }),
                         qPrintable(text));
                QVERIFY2(after >= QLatin1String(m.low) && after <= QLatin1String(m.high),
                         qPrintable(text));
            }
            QVERIFY2(accepted > 2000, m.name); // the draw reaches the accepting path
        }
    }

    // Every click ends with both result labels written, or both cleared after at most one
    // notice; labels never written count as cleared.
    void randomClicks()
    {
        QRandomGenerator random(7);
        const QStringList samples{"",   " ",  "2001", "1900", "2999", "5",   "01", "12",
                                  "13", "31", "29",   "070",  "366",  "000", "x",  "0"};
        for (int i = 0; i < 20'000; ++i) {
            for (const QString &name : fieldNames)
                get<QLineEdit>(*m_form, name)->setText(samples[random.bounded(samples.size())]);
            const bool ordinal = random.bounded(2);
            m_notices.clear();
            ordinal ? m_form->Command2_Click() : m_form->Command1_Click();
            const QString first = get<QLabel>(*m_form, ordinal ? "Label4" : "Label1")->text();
            const QString second = get<QLabel>(*m_form, ordinal ? "Label5" : "Label2")->text();
            QVERIFY(m_notices.size() <= 1);
            QCOMPARE(first.isEmpty(), second.isEmpty());
            if (!first.isEmpty())
                QCOMPARE(m_notices.size(), 0);
        }
    }
};

QTEST_MAIN(TestFieldChecks)
#include "tst_fieldchecks.moc"
