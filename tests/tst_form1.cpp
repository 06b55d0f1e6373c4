#include "app/form1.h"

#include <QLineEdit>
#include <QTest>

class TestForm1 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsWithFocusInOrdinalYear()
    {
        Form1 form;
        form.Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.focusWidget()->objectName(), QStringLiteral("Text4"));
        QCOMPARE(form.RET(), 0);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
