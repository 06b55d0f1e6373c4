// Focus sequences around the field checks, with the real modal notice. Runs twice: on a
// real X server with a window manager, and offscreen.
#include "app/form1.h"
#include "windowprobe.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace windowprobe;

namespace {

const QString digitNotice = QStringLiteral("数字を入力してください");

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
    std::unique_ptr<BoxCloser> m_closer;

    void startWith(std::initializer_list<std::pair<const char *, QString>> texts)
    {
        m_form = std::make_unique<Form1>();
        for (const auto &[name, text] : texts)
            get<QLineEdit>(*m_form, name)->setText(text);
        m_form->Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), windowManagerTimeout));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), get(*m_form, "Text4"),
                                  windowManagerTimeout);
    }

    // After a notice the window manager gives the window its activation back; offscreen
    // nothing does, and the window only keeps the field as its focus widget.
    bool focusBackIn(const char *name)
    {
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            return QTest::qWaitFor(
                [&] { return QApplication::focusWidget() == get(*m_form, name); },
                windowManagerTimeout);
        return m_form->focusWidget() == get(*m_form, name);
    }

    void focusInto(const char *name)
    {
        get(*m_form, name)->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), get(*m_form, name),
                                  windowManagerTimeout);
        m_closer->texts.clear();
    }

private Q_SLOTS:
    void init() { m_closer = std::make_unique<BoxCloser>(); }
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
        QCOMPARE(get<QLineEdit>(*m_form, "Text1")->text(), QStringLiteral("a"));
    }

    void typingAndTabbingNormalises()
    {
        startWith({});
        focusInto("Text1");
        QTest::keyClicks(get(*m_form, "Text1"), "5");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(get(*m_form, "Text2"), "3");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(get(*m_form, "Text3"), "11");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        settle();
        QCOMPARE(m_closer->texts, QStringList());
        QCOMPARE(get<QLineEdit>(*m_form, "Text1")->text() +
                     get<QLineEdit>(*m_form, "Text2")->text() +
                     get<QLineEdit>(*m_form, "Text3")->text(),
                 QStringLiteral("20050311"));
        QCOMPARE(QApplication::focusWidget(), get(*m_form, "Command1"));
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
            m_form->setNoticeHandler(
                recordNotices([this](const Notice &n) { m_closer->texts << n.text; }));
        focusInto(from);
        QTest::keyClick(get(*m_form, from), Qt::Key(key));
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), 1, windowManagerTimeout);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QVERIFY(focusBackIn(from));
        QCOMPARE(get<QLineEdit>(*m_form, from)->text(), bad);
        QCOMPARE(get<QLineEdit>(*m_form, into)->text(), QStringLiteral("yy"));
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
        QSignalSpy clicked(get<QPushButton>(*m_form, "Command1"), &QPushButton::clicked);
        QTest::mouseClick(get(*m_form, "Command1"), Qt::LeftButton);
        settle();
        QTEST(int(m_closer->texts.size()), "notices");
        QTEST(int(clicked.size()), "clicks");
        QVERIFY(!get<QPushButton>(*m_form, "Command1")->isDown());
        if (clicked.isEmpty()) {
            QVERIFY(focusBackIn("Text1"));
            QCOMPARE(get<QLineEdit>(*m_form, "Text1")->text(), year);
        }
        // The next click, once the field is good, goes through.
        const qsizetype before = clicked.size();
        get<QLineEdit>(*m_form, "Text1")->setText(QStringLiteral("2001"));
        QTest::mouseClick(get(*m_form, "Command1"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(clicked.size(), before + 1, windowManagerTimeout);
    }

    // A click of another button into another field, refused like a left click: the click
    // goes no further, and a drop reaches no field but the one with the focus.
    void otherMouseActionsIntoAnotherField_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("notices");
        QTest::newRow("right-click into Text2 after bad Text1: no context menu") << "right" << 1;
        QTest::newRow("middle click into Text2 after bad Text1: nothing pasted") << "middle" << 1;
        QTest::newRow("text dropped on Text2 while Text1 has the focus: refused") << "drop" << 0;
    }

    void otherMouseActionsIntoAnotherField()
    {
        QFETCH(QString, action);
        startWith({{"Text1", "x"}});
        focusInto("Text1");
        QLineEdit *into = get<QLineEdit>(*m_form, "Text2");
        const QPoint at = into->rect().center();
        if (action == QLatin1String("drop")) {
            QMimeData text;
            text.setText(QStringLiteral("12"));
            QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, {});
            QApplication::sendEvent(into, &enter);
            QVERIFY(!enter.isAccepted());
            QDropEvent drop(at, Qt::CopyAction, &text, Qt::LeftButton, {});
            QApplication::sendEvent(into, &drop);
        } else {
            const bool middle = action == QLatin1String("middle");
            if (middle && !QGuiApplication::clipboard()->supportsSelection())
                QSKIP("no selection to paste on this platform");
            QGuiApplication::clipboard()->setText(QStringLiteral("12"), QClipboard::Selection);
            // A right-click through the window, which turns its press into a context menu; the
            // middle button held until the notice has closed, so that its release (which
            // pastes) reaches the field.
            if (middle)
                QTest::mouseClick(into, Qt::MiddleButton, {}, at);
            else
                QTest::mouseClick(m_form->windowHandle(), Qt::RightButton, {},
                                  into->mapTo(m_form.get(), at));
        }
        settle();
        QVERIFY(!QApplication::activePopupWidget());
        QTEST(int(m_closer->texts.size()), "notices");
        QVERIFY(focusBackIn("Text1"));
        QCOMPARE(get<QLineEdit>(*m_form, "Text1")->text(), QStringLiteral("x"));
        QCOMPARE(into->text(), QString());
    }

    // What an assistive tool asks while a notice is open (AT-SPI's DoAction on a button, its
    // GrabFocus on another control) runs nothing behind the notice; afterwards all works.
    void accessibilityRequestsWhileANoticeIsOpen_data()
    {
        QTest::addColumn<QString>("notice"); // the about box, or Text1's check
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("action");
        QTest::newRow("press on Command2 behind the about box: no conversion")
            << "about" << QByteArray("Command2") << QAccessibleActionInterface::pressAction();
        QTest::newRow("press on Command1 behind Text1's notice: no second notice")
            << "Text1" << QByteArray("Command1") << QAccessibleActionInterface::pressAction();
        QTest::newRow("focus on Text5 behind the about box: the focus stays in Text4")
            << "about" << QByteArray("Text5") << QAccessibleActionInterface::setFocusAction();
    }

    void accessibilityRequestsWhileANoticeIsOpen()
    {
        QFETCH(QString, notice);
        QFETCH(QByteArray, target);
        QFETCH(QString, action);
        startWith({{"Text1", "x"},
                   {"Text2", "03"},
                   {"Text3", "11"},
                   {"Text4", "2001"},
                   {"Text5", "070"}});
        auto *control = get(*m_form, target);
        m_closer->whileOpen = [control, action] {
            QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(action);
            // A pressed button is clicked once its press has been shown.
            if (auto *pressed = qobject_cast<QPushButton *>(control))
                QVERIFY(QTest::qWaitFor([pressed] { return !pressed->isDown(); }));
        };
        if (notice == QLatin1String("about")) {
            QTest::mouseDClick(get(*m_form, "Label6"), Qt::LeftButton);
        } else {
            focusInto("Text1");
            QTest::keyClick(get(*m_form, "Text1"), Qt::Key_Tab);
        }
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QVERIFY(get<QLabel>(*m_form, "Label4")->text().isEmpty());
        QVERIFY(focusBackIn(notice == QLatin1String("about") ? "Text4" : "Text1"));

        get<QLineEdit>(*m_form, "Text1")->setText(QStringLiteral("2001"));
        QTest::mouseClick(get(*m_form, "Command1"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(get<QLabel>(*m_form, "Label1")->text(),
                                  QStringLiteral("2001/070"), windowManagerTimeout);
        QCOMPARE(m_closer->texts.size(), 1);
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
        QMenu menu(get(*m_form, "Text1"));
        menu.addAction(QStringLiteral("コピー"));
        menu.popup(get(*m_form, "Text1")->mapToGlobal(QPoint(2, 2)));
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
        QTest::keyClick(get(*m_form, "Text3"), Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts, QStringList{digitNotice}, windowManagerTimeout);
        QVERIFY(focusBackIn("Text3"));
        QCOMPARE(get<QLineEdit>(*m_form, "Text3")->text(), QStringLiteral("x "));
        QTest::keyClick(get(*m_form, "Text3"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(get(*m_form, "Text3"), Qt::Key_Backspace);
        QTest::keyClick(get(*m_form, "Text3"), Qt::Key_Tab);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QCOMPARE(m_form->focusWidget(), get(*m_form, "Command1"));
    }

    // The same through the X server itself: the press and the release of a real click reach
    // Qt as separate events, the release while the notice is open.
    void realClickAndTabThroughX_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("click on Command1 while Text1 is bad") << "click";
        QTest::newRow("Tab from bad Text1 into bad Text2") << "Tab";
        QTest::newRow("right-click on Text2 while Text1 is bad: no context menu") << "right-click";
    }

    void realClickAndTabThroughX()
    {
        QFETCH(QString, action);
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (QGuiApplication::platformName() != QLatin1String("xcb") || xdotool.isEmpty())
            QSKIP("needs an X server and xdotool");
        startWith({{"Text1", "ab"}, {"Text2", "cd"}});
        focusInto("Text1");
        QSignalSpy clicked(get<QPushButton>(*m_form, "Command1"), &QPushButton::clicked);
        QWidget *into = get(*m_form, action == QLatin1String("click") ? "Command1" : "Text2");
        const QPoint at = into->mapToGlobal(into->rect().center());
        const QStringList args =
            action == QLatin1String("Tab")
                ? QStringList{"key", "Tab"}
                : QStringList{"mousemove", QString::number(at.x()), QString::number(at.y()),
                              "click", action == QLatin1String("click") ? "1" : "3"};
        QProcess::startDetached(xdotool, args);
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), 1, windowManagerTimeout);
        settle();
        QCOMPARE(m_closer->texts, QStringList{digitNotice});
        QCOMPARE(clicked.size(), 0);
        QVERIFY(!get<QPushButton>(*m_form, "Command1")->isDown());
        QVERIFY(focusBackIn("Text1"));
        QCOMPARE(get<QLineEdit>(*m_form, "Text1")->text(), QStringLiteral("ab"));
        QVERIFY(!QApplication::activePopupWidget());
    }
};

QTEST_MAIN(TestFocus)
#include "tst_focus.moc"
