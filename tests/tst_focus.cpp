// Focus sequences around the field checks, with the real modal notice. Runs twice: on a
// real X server with a window manager, and offscreen.
#include "app/form1.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

const QString digitNotice = QStringLiteral("数字を入力してください");

// Closes every notice that opens, as a user pressing Return would, and keeps its text. Like
// a user it waits until the box is the active window: a box closed before the window manager
// has activated it gets its activation afterwards and leaves no window active.
class NoticeCloser : public QObject
{
public:
    NoticeCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isActiveWindow() && !m_closing) {
                m_closing = true;
                texts << box->text();
                QTest::keyClick(box, Qt::Key_Return);
                m_closing = false;
            }
        });
        m_timer.start(20);
    }
    QStringList texts;

private:
    QTimer m_timer;
    bool m_closing = false;
};

// How long the window manager may take to activate a window or give it back its focus: on a
// machine busy with other work that can be far longer than Qt Test's default of 5 s.
constexpr int windowManagerTimeout = 30000;

// Lets every queued focus, activation and timer event run out.
void settle()
{
    for (int i = 0; i < 10; ++i)
        QTest::qWait(20);
}

} // namespace

class TestFocus : public QObject
{
    Q_OBJECT

    std::unique_ptr<Form1> m_form;
    std::unique_ptr<NoticeCloser> m_closer;

    QLineEdit *field(const char *name) { return m_form->findChild<QLineEdit *>(name); }
    QPushButton *button(const char *name) { return m_form->findChild<QPushButton *>(name); }

    void startWith(std::initializer_list<std::pair<const char *, QString>> texts)
    {
        m_form = std::make_unique<Form1>();
        for (const auto &[name, text] : texts)
            field(name)->setText(text);
        m_form->Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), windowManagerTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), field("Text4"),
                                  windowManagerTimeout);
    }

    // After a notice the window manager gives the window its activation back; offscreen
    // nothing does, and the window only keeps the field as its focus widget.
    bool focusBackIn(const char *name)
    {
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            return QTest::qWaitFor([&] { return QApplication::focusWidget() == field(name); },
                                   windowManagerTimeout);
        return m_form->focusWidget() == field(name);
    }

    void focusInto(const char *name)
    {
        field(name)->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), field(name), windowManagerTimeout);
        m_closer->texts.clear();
    }

private Q_SLOTS:
    void init() { m_closer = std::make_unique<NoticeCloser>(); }
    void cleanup()
    {
        m_form.reset();
        m_closer.reset();
    }

    void startUpRunsNoCheck()
    {
        // Bad texts everywhere before the window loads: loading moves the focus, but the
        // user has left no field yet.
        startWith({{"Text1", "a"}, {"Text2", "b"}, {"Text3", "c"}, {"Text5", "d"}});
        settle();
        QCOMPARE(m_closer->texts, QStringList());
        QCOMPARE(field("Text1")->text(), QStringLiteral("a"));
    }

    void typingAndTabbingNormalises()
    {
        startWith({});
        focusInto("Text1");
        QTest::keyClicks(field("Text1"), "5");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(field("Text2"), "3");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(field("Text3"), "11");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        settle();
        QCOMPARE(m_closer->texts, QStringList());
        QCOMPARE(field("Text1")->text() + field("Text2")->text() + field("Text3")->text(),
                 QStringLiteral("20050311"));
        QCOMPARE(QApplication::focusWidget(), button("Command1"));
    }

    void tabBetweenBadFields_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("into");
        QTest::addColumn<QString>("bad"); // the text of the field left, kept as typed
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("seam"); // the notice returns at once: the window stays active
        QTest::newRow("Tab from bad Text1 into bad Text2")
            << QByteArray("Text1") << QByteArray("Text2") << " 1x " << int(Qt::Key_Tab) << false;
        QTest::newRow("Shift+Tab from bad Text2 into bad Text1")
            << QByteArray("Text2") << QByteArray("Text1") << "x " << int(Qt::Key_Backtab) << false;
        QTest::newRow("Tab from bad Text4 into bad Text5")
            << QByteArray("Text4") << QByteArray("Text5") << "　" << int(Qt::Key_Tab) << false;
        QTest::newRow("Tab from bad Text1 into bad Text2 through the notice seam: one notice")
            << QByteArray("Text1") << QByteArray("Text2") << "x" << int(Qt::Key_Tab) << true;
    }

    void tabBetweenBadFields()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, into);
        QFETCH(QString, bad);
        QFETCH(int, key);
        QFETCH(bool, seam);
        startWith({{from, bad}, {into, "yy"}});
        if (seam)
            m_form->setNoticeHandler([this](const QString &text, int, const QString &) {
                m_closer->texts << text;
                return Form1::NoticeOk;
            });
        focusInto(from);
        QTest::keyClick(field(from), Qt::Key(key));
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), 1, windowManagerTimeout);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QVERIFY(focusBackIn(from));
        QCOMPARE(field(from)->text(), bad);
        QCOMPARE(field(into)->text(), QStringLiteral("yy"));
    }

    void clickOnButtonAfterBadField_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<int>("notices");
        QTest::addColumn<int>("clicks");
        QTest::newRow("bad year cancels the click") << "x5" << 1 << 0;
        QTest::newRow("good year lets the click through") << "5" << 0 << 1;
    }

    void clickOnButtonAfterBadField()
    {
        QFETCH(QString, year);
        startWith({{"Text1", year}, {"Text2", "03"}, {"Text3", "11"}});
        focusInto("Text1");
        QSignalSpy clicked(button("Command1"), &QPushButton::clicked);
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        settle();
        QTEST(int(m_closer->texts.size()), "notices");
        QTEST(int(clicked.size()), "clicks");
        QVERIFY(!button("Command1")->isDown());
        if (clicked.isEmpty()) {
            QVERIFY(focusBackIn("Text1"));
            QCOMPARE(field("Text1")->text(), year);
        }
        // The next click, once the field is good, goes through.
        const qsizetype before = clicked.size();
        field("Text1")->setText(QStringLiteral("2001"));
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(clicked.size(), before + 1, windowManagerTimeout);
    }

    void leavingTheWindowRunsNoCheck()
    {
        startWith({{"Text1", "ab"}});
        focusInto("Text1");
        QWidget other;
        other.resize(100, 50);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other, windowManagerTimeout));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), windowManagerTimeout));
        QMenu menu(field("Text1"));
        menu.addAction(QStringLiteral("コピー"));
        menu.popup(field("Text1")->mapToGlobal(QPoint(2, 2)));
        QVERIFY(QTest::qWaitForWindowExposed(&menu));
        menu.close();
        settle();
        QCOMPARE(m_closer->texts, QStringList());
        QVERIFY(focusBackIn("Text1"));
    }

    void emptyingRejectedFieldLetsUserLeave()
    {
        startWith({{"Text3", "x "}});
        focusInto("Text3");
        QTest::keyClick(field("Text3"), Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts, QStringList{digitNotice}, windowManagerTimeout);
        QVERIFY(focusBackIn("Text3"));
        QCOMPARE(field("Text3")->text(), QStringLiteral("x "));
        QTest::keyClick(field("Text3"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field("Text3"), Qt::Key_Backspace);
        QTest::keyClick(field("Text3"), Qt::Key_Tab);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QCOMPARE(m_form->focusWidget(), button("Command1"));
    }

    // The same through the X server itself: the press and the release of a real click reach
    // Qt as separate events, the release while the notice is open.
    void realClickAndTabThroughX_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("click on Command1 while Text1 is bad") << "click";
        QTest::newRow("Tab from bad Text1 into bad Text2") << "Tab";
    }

    void realClickAndTabThroughX()
    {
        QFETCH(QString, action);
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (QGuiApplication::platformName() != QLatin1String("xcb") || xdotool.isEmpty())
            QSKIP("needs an X server and xdotool");
        startWith({{"Text1", "ab"}, {"Text2", "cd"}});
        focusInto("Text1");
        QSignalSpy clicked(button("Command1"), &QPushButton::clicked);
        const QPoint at = button("Command1")->mapToGlobal(button("Command1")->rect().center());
        const QStringList args = action == QLatin1String("click")
                                     ? QStringList{"mousemove", QString::number(at.x()),
                                                   QString::number(at.y()), "click", "1"}
                                     : QStringList{"key", "Tab"};
        QProcess::startDetached(xdotool, args);
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), 1, windowManagerTimeout);
        settle();
        QCOMPARE(m_closer->texts, QStringList{digitNotice});
        QCOMPARE(clicked.size(), 0);
        QVERIFY(!button("Command1")->isDown());
        QVERIFY(focusBackIn("Text1"));
        QCOMPARE(field("Text1")->text(), QStringLiteral("ab"));
    }
};

QTEST_MAIN(TestFocus)
#include "tst_focus.moc"
