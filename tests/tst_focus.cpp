// Focus sequences around the field checks, with the real modal notice. Runs twice: on a
// real X server with a window manager, and offscreen.
#include "app/form1.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <functional>
#include <utility>

namespace {

const QString digitNotice = QStringLiteral("数字を入力してください");

// Closes every notice that opens, as a user pressing Return would, and keeps its text. Like
// a user it waits until the box is the active window: a box closed before the window manager
// has activated it gets its activation afterwards and leaves no window active. `whileOpen`
// runs once, with the first box open; a box it opens on top is closed as well.
class NoticeCloser : public QObject
{
public:
    NoticeCloser() { tick(); }
    QStringList texts;
    std::function<void()> whileOpen;

private:
    void tick()
    {
        // Armed anew each time, so that a box opened while this one is handled is closed too.
        QTimer::singleShot(20, this, [this] { tick(); });
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isActiveWindow() || m_closing.contains(box))
            return;
        m_closing << box;
        texts << box->text();
        if (whileOpen)
            std::exchange(whileOpen, {})();
        QTest::keyClick(box, Qt::Key_Return);
        m_closing.removeOne(box);
    }
    QList<QMessageBox *> m_closing;
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
        field(from)->selectAll();
        QSignalSpy finished(field(from), &QLineEdit::editingFinished);
        QTest::keyClick(field(from), Qt::Key(key));
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), 1, windowManagerTimeout);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QVERIFY(focusBackIn(from));
        // The refused focus-out never reaches the field (a real notice takes the activation,
        // which ends the editing anyway).
        if (seam) {
            QVERIFY(field(from)->hasSelectedText());
            QCOMPARE(finished.size(), 0);
        }
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

    // A click of another button into another field, refused like a left click: the click
    // goes no further, and a drop reaches no field but the one with the focus.
    void otherMouseActionsIntoAnotherField_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("notices");
        QTest::newRow("right-click into Text2 after bad Text1: no context menu") << "right" << 1;
        QTest::newRow("middle click into Text2 after bad Text1: nothing pasted") << "middle" << 1;
        QTest::newRow("text dropped on Text2 while Text1 has the focus: refused") << "drop" << 0;
        QTest::newRow("text dropped on Text1, which has the focus: taken") << "drop here" << 0;
    }

    void otherMouseActionsIntoAnotherField()
    {
        QFETCH(QString, action);
        startWith({{"Text1", "x"}});
        focusInto("Text1");
        const bool here = action == QLatin1String("drop here");
        QLineEdit *into = field(here ? "Text1" : "Text2");
        const QPoint at = into->rect().center();
        if (action.startsWith(QLatin1String("drop"))) {
            QMimeData text;
            text.setText(QStringLiteral("12"));
            QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, {});
            QApplication::sendEvent(into, &enter);
            QCOMPARE(enter.isAccepted(), here);
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
        QCOMPARE(field("Text1")->text(), here ? QStringLiteral("x12") : QStringLiteral("x"));
        QCOMPARE(field("Text2")->text(), QString());
    }

    // What an assistive tool asks while a notice is open (AT-SPI's DoAction on a button, its
    // GrabFocus on another control) runs nothing behind the notice; afterwards all works.
    void accessibilityRequestsWhileANoticeIsOpen_data()
    {
        QTest::addColumn<QString>("notice"); // the about box, or Text1's check
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("clickAfterOk"); // the press's click lands once the box is gone
        const QString press = QAccessibleActionInterface::pressAction();
        QTest::newRow("press on Command2 behind the about box: no conversion")
            << "about" << QByteArray("Command2") << press << false;
        QTest::newRow("press behind the about box, its click after OK: no conversion")
            << "about" << QByteArray("Command2") << press << true;
        QTest::newRow("press on Command1 behind Text1's notice: no second notice")
            << "Text1" << QByteArray("Command1") << press << false;
        QTest::newRow("focus on Text5 behind the about box: the focus stays in Text4")
            << "about" << QByteArray("Text5") << QAccessibleActionInterface::setFocusAction()
            << false;
    }

    void accessibilityRequestsWhileANoticeIsOpen()
    {
        QFETCH(QString, notice);
        QFETCH(QByteArray, target);
        QFETCH(QString, action);
        QFETCH(bool, clickAfterOk);
        startWith({{"Text1", "x"},
                   {"Text2", "03"},
                   {"Text3", "11"},
                   {"Text4", "2001"},
                   {"Text5", "070"}});
        auto *control = m_form->findChild<QWidget *>(target);
        m_closer->whileOpen = [control, action, clickAfterOk] {
            QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(action);
            // A pressed button is clicked once its press has been shown.
            if (auto *pressed = qobject_cast<QPushButton *>(control); pressed && !clickAfterOk)
                QVERIFY(QTest::qWaitFor([pressed] { return !pressed->isDown(); }));
        };
        if (notice == QLatin1String("about")) {
            QTest::mouseDClick(m_form->findChild<QLabel *>("Label6"), Qt::LeftButton);
        } else {
            focusInto("Text1");
            QTest::keyClick(field("Text1"), Qt::Key_Tab);
        }
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QVERIFY(m_form->findChild<QLabel *>("Label4")->text().isEmpty());
        QVERIFY(focusBackIn(notice == QLatin1String("about") ? "Text4" : "Text1"));

        field("Text1")->setText(QStringLiteral("2001"));
        QTest::mouseClick(button("Command1"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_form->findChild<QLabel *>("Label1")->text(),
                                  QStringLiteral("2001/070"), windowManagerTimeout);
        QCOMPARE(m_closer->texts.size(), 1);
    }

    // Routes that move no focus by a click: an assistive tool's press (its click lands later),
    // a program's click(), a call's focus move, text set into a field without the focus. Each
    // checks the field with the focus first, and a call returns before any notice shows.
    void assistiveRoutes_data()
    {
        QTest::addColumn<QByteArray>("focus"); // the field with the focus, holding `typed`
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("action"); // press, click, focus, or the text set into target
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QByteArray>("focusAfter");
        QTest::addColumn<QStringList>("after"); // name=text of controls afterwards
        const QString ordinalDigits = QStringLiteral("数字をを入力してください");
        const QString yearRange = QStringLiteral("有効な年は1900～2999までです");
        QTest::newRow("press on Command2 with 5 in Text4: 2005, then converted")
            << QByteArray("Text4") << "5" << QByteArray("Command2") << "press" << QStringList()
            << QByteArray("Text4") << QStringList{"Text4=2005", "Label4=2005/03/11"};
        QTest::newRow("press on Command2 with 1899 in Text4: the year notice, no conversion")
            << QByteArray("Text4") << "1899" << QByteArray("Command2") << "press"
            << QStringList{yearRange} << QByteArray("Text4")
            << QStringList{"Text4=1899", "Label4="};
        QTest::newRow("click() on Command1 with 13 in Text2: the month notice, focus kept")
            << QByteArray("Text2") << "13" << QByteArray("Command1") << "click"
            << QStringList{QStringLiteral("月は１月～１２月までです")} << QByteArray("Text2")
            << QStringList{"Text2=13", "Label1="};
        QTest::newRow("focus moved by a call from x in Text4: notice after the call returns")
            << QByteArray("Text4") << "x" << QByteArray("Text5") << "focus"
            << QStringList{ordinalDigits} << QByteArray("Text4") << QStringList{"Text4=x"};
        QTest::newRow("999 set into Text5: its notice, then the focus in Text5")
            << QByteArray("Text4") << "2001" << QByteArray("Text5") << "999"
            << QStringList{QStringLiteral("有効な日ではありません")} << QByteArray("Text5")
            << QStringList{"Text5=999"};
        QTest::newRow("x set into Text2: its notice, then the focus in Text2")
            << QByteArray("Text4") << "2001" << QByteArray("Text2") << "x"
            << QStringList{digitNotice} << QByteArray("Text2") << QStringList{"Text2=x"};
        QTest::newRow("5 set into Text1: normalised to 2005, the focus stays")
            << QByteArray("Text4") << "2001" << QByteArray("Text1") << "5" << QStringList()
            << QByteArray("Text4") << QStringList{"Text1=2005"};
        QTest::newRow("text set into Text1 while x is in Text4: Text4's notice, text not taken")
            << QByteArray("Text4") << "x" << QByteArray("Text1") << "1999"
            << QStringList{ordinalDigits} << QByteArray("Text4")
            << QStringList{"Text1=2001", "Text4=x"};
    }

    void assistiveRoutes()
    {
        QFETCH(QByteArray, focus);
        QFETCH(QString, typed);
        QFETCH(QByteArray, target);
        QFETCH(QString, action);
        QFETCH(QStringList, after);
        startWith({{"Text1", "2001"}, {"Text2", "03"}, {"Text3", "11"}, {"Text5", "070"}});
        focusInto(focus);
        field(focus)->setText(typed);
        QFETCH(QStringList, notices);
        QStringList shown;
        m_form->setNoticeHandler([&shown](const QString &text, int, const QString &) {
            shown << text;
            return Form1::NoticeOk;
        });
        QAccessibleInterface *iface =
            QAccessible::queryAccessibleInterface(m_form->findChild<QWidget *>(target));
        if (action == QLatin1String("click"))
            qobject_cast<QPushButton *>(iface->object())->click();
        else if (action == QLatin1String("press"))
            iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        else if (action == QLatin1String("focus"))
            iface->actionInterface()->doAction(QAccessibleActionInterface::setFocusAction());
        else
            iface->editableTextInterface()->replaceText(0, iface->textInterface()->characterCount(),
                                                        action);
        if (action != QLatin1String("click"))
            QCOMPARE(shown, QStringList());
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), notices.size(), windowManagerTimeout);
        settle();
        QCOMPARE(shown, notices);
        QFETCH(QByteArray, focusAfter);
        QVERIFY(focusBackIn(focusAfter));
        for (const QString &pair : after) {
            const QString name = pair.section(u'=', 0, 0);
            QCOMPARE(name + u'=' + m_form->findChild<QWidget *>(name)->property("text").toString(),
                     pair);
        }
    }

    // A notice the window manager has not activated yet leaves the window active: a focus
    // move then, by a key or a call, checks nothing, and the focus goes back when it closes.
    void nothingIsCheckedBehindANotice_data()
    {
        QTest::addColumn<bool>("byCall");
        QTest::newRow("Tab from x in Text4 while the about box opens") << false;
        QTest::newRow("a call's focus move from x in Text4 while the about box opens") << true;
    }
    void nothingIsCheckedBehindANotice()
    {
        QFETCH(bool, byCall);
        startWith({{"Text4", "x"}});
        QStringList shown;
        m_form->setNoticeHandler([&](const QString &text, int, const QString &) {
            shown << text;
            if (byCall)
                QAccessible::queryAccessibleInterface(field("Text5"))
                    ->actionInterface()
                    ->doAction(QAccessibleActionInterface::setFocusAction());
            else
                QTest::keyClick(field("Text4"), Qt::Key_Tab);
            settle(); // the box's own event loop
            return Form1::NoticeOk;
        });
        QTest::mouseDClick(m_form->findChild<QLabel *>("Label6"), Qt::LeftButton);
        settle();
        QCOMPARE(shown.size(), 1);
        QVERIFY(focusBackIn("Text4"));
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
        QSignalSpy clicked(button("Command1"), &QPushButton::clicked);
        QWidget *into = action == QLatin1String("click")
                            ? static_cast<QWidget *>(button("Command1"))
                            : field("Text2");
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
        QVERIFY(!button("Command1")->isDown());
        QVERIFY(focusBackIn("Text1"));
        QCOMPARE(field("Text1")->text(), QStringLiteral("ab"));
        QVERIFY(!QApplication::activePopupWidget());
    }
};

QTEST_MAIN(TestFocus)
#include "tst_focus.moc"
