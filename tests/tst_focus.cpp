// Focus sequences around the field checks, with the real modal notice. Runs twice: on a
// real X server with a window manager, and offscreen.
#include "app/focusguard.h"
#include "noticetexts.h"
#include "windowprobe.h"

#include <QAccessible>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>

using namespace windowprobe;
using namespace noticetexts;

namespace {

const QString press = QAccessibleActionInterface::pressAction();
const QString focusAction = QAccessibleActionInterface::setFocusAction();

void doAction(QWidget *control, const QString &action)
{
    QAccessible::queryAccessibleInterface(control)->actionInterface()->doAction(action);
}

} // namespace

class TestFocus : public QObject
{
    Q_OBJECT

    std::unique_ptr<ShownWindow> m_form;
    std::unique_ptr<BoxCloser> m_closer;

    QWidget *w(const QString &name) const { return get(*m_form, name); }
    QLineEdit *field(const QString &name) const { return get<QLineEdit>(*m_form, name); }
    QString text(const QString &name) const { return w(name)->property("text").toString(); }

    void startWith(FieldTexts texts)
    {
        m_form = std::make_unique<ShownWindow>(ShownWindow::RealNotices);
        QVERIFY(m_form->load(texts));
    }

    // After a notice the window manager gives the window its activation back; offscreen
    // nothing does, and the window only keeps the field as its focus widget.
    bool focusBackIn(const QString &name) const
    {
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            return QTest::qWaitFor([&] { return QApplication::focusWidget() == w(name); },
                                   windowManagerTimeout);
        return m_form->focusWidget() == w(name);
    }

    // The focus ("-": not looked at), then name=text of controls.
    void expectAfter(const QString &after) const
    {
        const QStringList expected = after.split(u' ');
        QVERIFY(expected[0] == u'-' || focusBackIn(expected[0]));
        for (const QString &pair : expected.mid(1))
            QCOMPARE(pair.section(u'=', 0, 0) + u'=' + text(pair.section(u'=', 0, 0)), pair);
    }

    // Lets the deferred work run out: until no notice is open and nothing waits to run, then
    // the events its last step queued.
    void settle()
    {
        QVERIFY(QTest::qWaitFor([this] { return !m_form->focusGuard().pending(); },
                                windowManagerTimeout));
        QTest::qWait(1);
    }

    void focusInto(const QString &name)
    {
        w(name)->setFocus(Qt::OtherFocusReason);
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), w(name), windowManagerTimeout);
        m_closer->texts.clear();
    }

    // A window of another program, made active.
    static bool activate(QWidget &other)
    {
        other.resize(100, 50);
        other.show();
        other.activateWindow();
        return QTest::qWaitForWindowActive(&other, windowManagerTimeout);
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
        QCOMPARE(text("Text1"), QStringLiteral("a"));
    }

    void typingAndTabbingNormalises()
    {
        startWith({});
        focusInto("Text1");
        for (const auto &[field, typed] :
             FieldTexts{{"Text1", "5"}, {"Text2", "3"}, {"Text3", "11"}}) {
            QTest::keyClicks(w(field), typed);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        settle();
        QCOMPARE(m_closer->texts, QStringList());
        expectAfter(QStringLiteral("Command1 Text1=2005 Text2=03 Text3=11"));
    }

    void tabBetweenBadFields_data()
    {
        QTest::addColumn<QString>("from"); // Shift+Tab into a field before it
        QTest::addColumn<QString>("into");
        QTest::addColumn<QString>("bad"); // the text of the field left, kept as typed
        QTest::addColumn<bool>("seam");   // the notice returns at once: the window stays active
        QTest::newRow("Tab from bad Text1 into bad Text2") << "Text1"
                                                           << "Text2"
                                                           << " 1x " << false;
        QTest::newRow("Shift+Tab from bad Text2 into bad Text1") << "Text2"
                                                                 << "Text1"
                                                                 << "x " << false;
        QTest::newRow("Tab from bad Text4 into bad Text5") << "Text4"
                                                           << "Text5"
                                                           << "　" << false;
        QTest::newRow("Tab from bad Text1 into bad Text2 through the notice seam: one notice")
            << "Text1"
            << "Text2"
            << "x" << true;
    }

    void tabBetweenBadFields()
    {
        QFETCH(QString, from);
        QFETCH(QString, into);
        QFETCH(QString, bad);
        QFETCH(bool, seam);
        startWith({{qPrintable(from), bad}, {qPrintable(into), "yy"}});
        if (seam)
            m_form->setNoticeHandler(
                recordNotices([this](const Notice &n) { m_closer->texts << n.text; }));
        focusInto(from);
        field(from)->selectAll();
        QSignalSpy finished(field(from), &QLineEdit::editingFinished);
        QTest::keyClick(field(from), into < from ? Qt::Key_Backtab : Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), 1, windowManagerTimeout);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        // The refused focus-out never reaches the field (a real notice takes the activation,
        // which ends the editing anyway).
        if (seam) {
            QVERIFY(field(from)->hasSelectedText());
            QCOMPARE(finished.size(), 0);
        }
        QVERIFY(focusBackIn(from));
        QCOMPARE(text(from), bad);
        QCOMPARE(text(into), QStringLiteral("yy"));
    }

    void clickOnButtonAfterBadField_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("route"); // a click, or a key on the button focused by a call
        QTest::addColumn<int>("notices");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<int>("tries"); // clicks or keys made while the year is as given
        const auto row = [](const char *name, const char *year, const char *route, int notices,
                            int clicks, int tries) {
            QTest::newRow(name) << year << QString::fromLatin1(route) << notices << clicks << tries;
        };
        row("bad year cancels the click", "x5", "click", 1, 0, 1);
        row("good year lets the click through", "5", "click", 0, 1, 1);
        row("bad year, clicked again after OK: cancelled again", "x5", "click", 2, 0, 2);
        // The key's click reaches the button; the guard runs no handler behind the check.
        row("Return on the button after a bad year just left: one notice, no result", "x5",
            "Return", 1, 1, 1);
        row("Return on the focused button converts", "5", "Return", 0, 1, 1);
        row("keypad Enter on the focused button converts", "5", "Enter", 0, 1, 1);
    }

    void clickOnButtonAfterBadField()
    {
        QFETCH(QString, year);
        QFETCH(QString, route);
        startWith({{"Text1", year}, {"Text2", "03"}, {"Text3", "11"}});
        focusInto("Text1");
        QSignalSpy clicked(get<QPushButton>(*m_form, "Command1"), &QPushButton::clicked);
        QSignalSpy pressed(get<QPushButton>(*m_form, "Command1"), &QPushButton::pressed);
        QFETCH(int, tries);
        for (int i = 0; i < tries; ++i) {
            if (i > 0) { // as a user's next click, into the active window
                m_form->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(m_form.get(), windowManagerTimeout));
                QVERIFY(focusBackIn("Text1"));
            }
            if (route == QLatin1String("click")) {
                QTest::mouseClick(w("Command1"), Qt::LeftButton);
            } else { // Text1 is checked once the call has returned, or by the press before that
                w("Command1")->setFocus(Qt::OtherFocusReason);
                QTest::keyClick(w("Command1"),
                                route == QLatin1String("Return") ? Qt::Key_Return : Qt::Key_Enter,
                                route == QLatin1String("Return") ? Qt::NoModifier
                                                                 : Qt::KeypadModifier);
            }
            settle();
        }
        QTEST(int(m_closer->texts.size()), "notices");
        QTEST(int(clicked.size()), "clicks");
        QCOMPARE(pressed.size(), clicked.size()); // a refused click never reaches the button
        // Text1's notices, not the conversion's.
        QCOMPARE(m_closer->texts, QStringList(m_closer->texts.size(), digits));
        QCOMPARE(text("Label1"),
                 m_closer->texts.isEmpty() ? QStringLiteral("2005/070") : QString());
        QVERIFY(!get<QPushButton>(*m_form, "Command1")->isDown());
        if (!m_closer->texts.isEmpty()) {
            QVERIFY(focusBackIn("Text1"));
            QCOMPARE(text("Text1"), year);
        }
        // The next click, once the field is good, goes through.
        const qsizetype before = clicked.size();
        field("Text1")->setText(QStringLiteral("2001"));
        QTest::mouseClick(w("Command1"), Qt::LeftButton);
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
        QCOMPARE(text("Text1"), here ? QStringLiteral("x12") : QStringLiteral("x"));
        QCOMPARE(text("Text2"), QString());
    }

    // What an assistive tool asks while a notice is open (AT-SPI's DoAction on a button, its
    // GrabFocus on another control, a text set) runs nothing behind the notice; afterwards all
    // works.
    void accessibilityRequestsWhileANoticeIsOpen_data()
    {
        // The about box (by a double-click, or F1), or Text1's check; "about after": the box
        // opens right after the action, and what the action started (a press's click, a client's
        // pause) comes while it is open.
        QTest::addColumn<QString>("notice");
        // "seam": the notice returns at once, which the window manager has not activated yet.
        QTest::addColumn<QString>("texts"); // name=text of fields, over the row's defaults
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QString>("action"); // an accessibility action, "key " and a key, or a text
        QTest::addColumn<bool>("clickAfterOk"); // the press's click lands once the box is gone
        QTest::addColumn<int>("notices");
        const auto row = [](const char *name, const char *notice, const char *texts,
                            const char *target, const QString &action, bool late, int notices) {
            QTest::newRow(name) << notice << texts << QByteArray(target) << action << late
                                << notices;
        };
        row("press on Command2 behind the about box: no conversion", "about", "", "Command2", press,
            false, 1);
        row("press behind the about box, its click after OK: no conversion", "about", "",
            "Command2", press, true, 1);
        row("press behind the about box with x in Text4: Text4 not checked", "about", "Text4=x",
            "Command2", press, false, 1);
        row("press on Command1 behind Text1's notice: no second notice", "Text1", "", "Command1",
            press, false, 1);
        row("focus on Text5 behind the about box: the focus stays in Text4", "about", "", "Text5",
            focusAction, false, 1);
        row("F1 in Text4 holding x: the about box alone, x kept; the credit line's press behind "
            "it opens no second",
            "F1", "Text4=x", "Label6", press, false, 1);
        row("5 set into Text2, focused behind Text1's notice: Text1 again after OK, 5 not taken",
            "Text1", "", "Text2", "5", false, 2);
        row("press on Command2 just before the about box, its click behind it: no conversion",
            "about after", "", "Command2", press, false, 1);
        row("5 set into Text1 just before the about box, paused behind it: not checked behind it",
            "about after", "", "Text1", "5", false, 1);
        // A focus move behind a notice, by a key or a call, checks nothing; the focus goes back
        // when it closes. Text5 is bad too: putting the focus back from it checks it not.
        const char *bad = "Text4=x Text5=y";
        row("Tab from x in Text4 while the about box is open", "seam about", bad, "Text4",
            "key Tab", false, 1);
        row("a call's focus move from x in Text4 while the about box is open", "seam about", bad,
            "Text5", focusAction, false, 1);
        row("a call's focus move from x in Text4 just before the about box: checked after OK",
            "seam about after", bad, "Text5", focusAction, false, 2);
        row("F1 while the about box is open: no second box", "seam about", bad, "Text4", "key F1",
            false, 1);
    }

    void accessibilityRequestsWhileANoticeIsOpen()
    {
        QFETCH(QString, notice);
        QFETCH(QString, texts);
        QFETCH(QByteArray, target);
        QFETCH(QString, action);
        QFETCH(bool, clickAfterOk);
        QFETCH(int, notices);
        startWith({{"Text1", "x"},
                   {"Text2", "03"},
                   {"Text3", "11"},
                   {"Text4", "2001"},
                   {"Text5", "070"}});
        const QStringList changed = texts.split(u' ', Qt::SkipEmptyParts);
        for (const QString &pair : changed)
            field(pair.section(u'=', 0, 0))->setText(pair.section(u'=', 1));
        auto *control = w(target);
        auto *pressed = qobject_cast<QPushButton *>(control);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(control);
        const bool key = action.startsWith(QLatin1String("key "));
        const bool edit = !key && !iface->actionInterface()->actionNames().contains(action);
        const auto act = [=] {
            if (key)
                QTest::keySequence(control, QKeySequence(action.mid(4)));
            else if (edit)
                iface->editableTextInterface()->replaceText(
                    0, iface->textInterface()->characterCount(), action);
            else
                iface->actionInterface()->doAction(action);
        };
        if (notice.startsWith(QLatin1String("seam "))) // the window stays active
            m_form->setNoticeHandler(recordNotices([this](const Notice &n) {
                m_closer->texts << n.text;
                if (m_closer->whileOpen)
                    std::exchange(m_closer->whileOpen, {})();
                QCoreApplication::processEvents(); // the box's own event loop
            }));
        const bool before = notice.endsWith(QLatin1String("about after"));
        if (before) {
            act();
            if (edit) // the edit is taken once the call has returned
                QTRY_COMPARE(control->property("text").toString(), action);
        }
        const auto *pause = m_form->focusGuard().findChild<QTimer *>();
        m_closer->whileOpen = [=] {
            if (!before)
                act();
            // A pressed button is clicked once its press has been shown; a client's edit ends
            // with its pause, which leaves the field unchecked while the box is open.
            if (pressed && !clickAfterOk)
                QVERIFY(QTest::qWaitFor([pressed] { return !pressed->isDown(); }));
            if (before && edit) {
                QVERIFY(QTest::qWaitFor([pause] { return !pause->isActive(); }));
                QCOMPARE(control->property("text").toString(), action);
            }
        };
        if (notice.contains(QLatin1String("about"))) {
            QTest::mouseDClick(w("Label6"), Qt::LeftButton);
        } else if (notice == QLatin1String("F1")) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        } else {
            focusInto("Text1");
            QTest::keyClick(w("Text1"), Qt::Key_Tab);
        }
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts.size(), notices, windowManagerTimeout);
        settle();
        if (pressed) // its click has landed
            QVERIFY(QTest::qWaitFor([pressed] { return !pressed->isDown(); }));
        QCOMPARE(m_closer->texts.size(), notices);
        QVERIFY(text("Label4").isEmpty());
        QCOMPARE(m_closer->texts.first().startsWith(QLatin1String("Koyomix Ver.")),
                 notice != QLatin1String("Text1"));
        QVERIFY(focusBackIn(notice == QLatin1String("Text1") ? "Text1" : "Text4"));
        QCOMPARE(text("Text2"), QStringLiteral("03"));
        for (const QString &pair : changed) // unchecked
            QCOMPARE(pair.section(u'=', 0, 0) + u'=' + text(pair.section(u'=', 0, 0)), pair);

        field("Text1")->setText(QStringLiteral("2001"));
        field("Text4")->setText(QStringLiteral("2001"));
        QTest::mouseClick(w("Command1"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(text("Label1"), QStringLiteral("2001/070"), windowManagerTimeout);
        QCOMPARE(m_closer->texts.size(), notices);
    }

    // Routes that move no focus by a click: an assistive tool's press (its click lands later),
    // a program's click(), a call's focus move, text set into a field without the focus. Each
    // checks the field with the focus first, and a call returns before any notice shows.
    void assistiveRoutes_data()
    {
        QTest::addColumn<QString>("typed"); // the field with the focus and its text
        QTest::addColumn<QString>("target");
        // press, click, focus, or the text set into target; "start,end,text|..." are edits sent
        // in one turn ("Name:" first: of that field), or with "~" first, each once the event
        // loop has run after the one before. "elsewhere" first: another window is active;
        // " closed" last: then the window is closed; " then press Name" last: then that button
        // is pressed.
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("notice"); // the one notice, or none
        // The focus ("-": not looked at), then name=text of controls afterwards.
        QTest::addColumn<QString>("after");
        const auto row = [](const char *name, const char *typed, const char *target,
                            const char *action, QStringView notice, const char *after) {
            QTest::newRow(name) << typed << target << action << notice.toString() << after;
        };
        row("press on Command2 with 5 in Text4: 2005, then converted", "Text4=5", "Command2",
            "press", {}, "Text4 Text4=2005 Label4=2005/03/11");
        row("press on Command2 with 1899 in Text4: the year notice, no conversion", "Text4=1899",
            "Command2", "press", yearRange, "Text4 Text4=1899 Label4=");
        row("click() on Command1 with 13 in Text2: the month notice, focus kept", "Text2=13",
            "Command1", "click", monthRange, "Text2 Text2=13 Label1=");
        row("press with another window active: the window's focused field checked, not none",
            "Text4=5", "Command2", "elsewhere press", {}, "- Text4=2005 Label4=2005/03/11");
        row("focus moved by a call from x in Text4: notice after the call returns", "Text4=x",
            "Text5", "focus", ordinalYearDigits, "Text4 Text4=x");
        row("focus moved by a call from x in Text4, then the window closed: nothing checked",
            "Text4=x", "Text5", "focus closed", {}, "- Text4=x");
        row("999 set into Text5: its notice, then the focus in Text5", "Text4=2001", "Text5", "999",
            dayRange, "Text5 Text5=999");
        row("999 set into Text5, then the window closed: nothing checked", "Text4=2001", "Text5",
            "999 closed", {}, "- Text5=070");
        row("x set into Text2: its notice, then the focus in Text2", "Text4=2001", "Text2", "x",
            digits, "Text2 Text2=x");
        row("5 set into Text1: normalised to 2005, the focus stays", "Text4=2001", "Text1", "5", {},
            "Text4 Text1=2005");
        row("12 set into Text4, which has the focus: taken at once, as typed", "Text4=2001",
            "Text4", "12", {}, "Text4 Text4=12");
        row("text set into Text1 while x is in Text4: Text4's notice, text not taken", "Text4=x",
            "Text1", "1999", ordinalYearDigits, "Text4 Text1=2001 Text4=x");
        row("070 deleted, then 1, 2, 3 inserted in one turn: each edit on the one before",
            "Text4=2001", "Text5", "0,3,|0,0,1|1,1,2|2,2,3", {}, "Text4 Text5=123");
        row("the same, each call once the one before has returned: checked only at the end",
            "Text4=2001", "Text5", "~0,3,|0,0,1|1,1,2|2,2,3", {}, "Text4 Text5=123");
        row("2001 deleted from Text1, then 5 inserted by a second call: checked, 2005",
            "Text4=2001", "Text1", "~0,4,|0,0,5", {}, "Text4 Text1=2005");
        row("three edits of Text5 in one turn while x is in Text4: one notice answers all",
            "Text4=x", "Text5", "0,3,|0,0,1|1,1,2", ordinalYearDigits, "Text4 Text4=x Text5=070");
        row("x set into Text1, then 12 into Text4 in the same turn: the call returns first",
            "Text4=2001", "Text1", "0,4,x|Text4:0,4,12", digits, "Text1 Text1=x Text4=2001");
        row("13 set into Text2, Command1 pressed within the pause: the month notice, no conversion",
            "Text4=2001", "Text2", "13 then press Command1", monthRange, "Text2 Text2=13 Label1=");
    }

    void assistiveRoutes()
    {
        QFETCH(QString, typed);
        QFETCH(QString, target);
        QFETCH(QString, action);
        QFETCH(QString, notice);
        QFETCH(QString, after);
        startWith({{"Text1", "2001"}, {"Text2", "03"}, {"Text3", "11"}, {"Text5", "070"}});
        const QString focused = typed.section(u'=', 0, 0);
        focusInto(focused);
        field(focused)->setText(typed.section(u'=', 1));
        QStringList shown;
        m_form->setNoticeHandler(recordNotices([&shown](const Notice &n) { shown << n.text; }));
        QWidget other;
        if (action.startsWith(QLatin1String("elsewhere "))) {
            action.remove(0, 10);
            QVERIFY(activate(other));
        }
        const bool close = action.endsWith(QLatin1String(" closed"));
        action.chop(close ? 7 : 0);
        const QString pressed = action.section(QStringLiteral(" then press "), 1);
        action = action.section(QStringLiteral(" then press "), 0, 0);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w(target));
        if (action == QLatin1String("click"))
            qobject_cast<QPushButton *>(iface->object())->click();
        else if (action == QLatin1String("press"))
            doAction(w(target), press);
        else if (action == QLatin1String("focus"))
            doAction(w(target), focusAction);
        else if (const bool spaced = action.startsWith(u'~'); action.contains(u','))
            for (const QString &edit : action.mid(spaced).split(u'|')) {
                const QStringList e = edit.section(u':', -1).split(u',');
                QAccessible::queryAccessibleInterface(
                    edit.contains(u':') ? get(*m_form, edit.section(u':', 0, 0)) : iface->object())
                    ->editableTextInterface()
                    ->replaceText(e[0].toInt(), e[1].toInt(), e[2]);
                if (spaced)
                    QCoreApplication::processEvents();
            }
        else
            iface->editableTextInterface()->replaceText(0, iface->textInterface()->characterCount(),
                                                        action);
        if (!pressed.isEmpty())
            doAction(w(pressed), press);
        if (target == focused)
            QCOMPARE(text(target), action);
        if (close)
            m_form->close();
        if (action != QLatin1String("click"))
            QCOMPARE(shown, QStringList());
        // A press's click lands once the press has been shown.
        if (auto *button = pressed.isEmpty() ? qobject_cast<QPushButton *>(iface->object())
                                             : get<QPushButton>(*m_form, pressed))
            QVERIFY(QTest::qWaitFor([button] { return !button->isDown(); }));
        const QStringList notices = notice.isEmpty() ? QStringList() : QStringList{notice};
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), notices.size(), windowManagerTimeout);
        settle();
        QCOMPARE(shown, notices);
        expectAfter(after);
    }

    void leavingTheWindowRunsNoCheck()
    {
        startWith({{"Text1", "ab"}});
        focusInto("Text1");
        QWidget other;
        QVERIFY(activate(other));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get(), windowManagerTimeout));
        QMenu menu(w("Text1"));
        menu.addAction(QStringLiteral("コピー"));
        menu.popup(w("Text1")->mapToGlobal(QPoint(2, 2)));
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
        QTest::keyClick(w("Text3"), Qt::Key_Tab);
        QTRY_COMPARE_WITH_TIMEOUT(m_closer->texts, QStringList{digits}, windowManagerTimeout);
        QVERIFY(focusBackIn("Text3"));
        QCOMPARE(text("Text3"), QStringLiteral("x "));
        QTest::keyClick(w("Text3"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(w("Text3"), Qt::Key_Backspace);
        QTest::keyClick(w("Text3"), Qt::Key_Tab);
        settle();
        QCOMPARE(m_closer->texts.size(), 1);
        QCOMPARE(m_form->focusWidget(), w("Command1"));
    }

    // The same through the X server itself: the press and the release of a real click reach
    // Qt as separate events, the release while the notice is open.
    void realClickAndTabThroughX_data()
    {
        QTest::addColumn<QString>("action");
        // When the user goes to another program: right after OK, or while the notice is open
        // (a call answers it then).
        QTest::addColumn<QString>("leave");
        const auto row = [](const char *name, const char *action, const char *leave) {
            QTest::newRow(name) << QString::fromLatin1(action) << QString::fromLatin1(leave);
        };
        row("click on Command1 while Text1 is bad", "click", "");
        row("Tab from bad Text1 into bad Text2", "Tab", "");
        row("right-click on Text2 while Text1 is bad: no context menu", "right-click", "");
        row("Tab from bad Text1, then another program right after OK: it stays active", "Tab",
            "after OK");
        row("another program while the notice is open, then OK by a call: it stays active", "Tab",
            "while open");
    }

    void realClickAndTabThroughX()
    {
        QFETCH(QString, action);
        QFETCH(QString, leave);
        const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
        if (QGuiApplication::platformName() != QLatin1String("xcb") || xdotool.isEmpty())
            QSKIP("needs an X server and xdotool");
        const auto run = [&xdotool](const QStringList &args) {
            QProcess p;
            p.start(xdotool, args);
            return p.waitForFinished(windowManagerTimeout) ? p.readAllStandardOutput().trimmed()
                                                           : QByteArray();
        };
        QProcess other; // another program's window, mapped before Koyomix's
        QByteArray otherId;
        if (!leave.isEmpty()) {
            // A name of its own: the last row's window, its program killed, can still be on the
            // screen for a moment, and a search by a shared name then finds that window alone,
            // which is gone before it is activated.
            static int others = 0;
            const QString name = QStringLiteral("koyomix-other-%1").arg(++others);
            other.start(QStringLiteral("xmessage"), {"-name", name, "other"});
            // Once the window manager has mapped it: a window that merely exists may be mapped
            // after Koyomix's, and an activation asked for before that is ignored. The search
            // fails outright when a window it looks at goes meanwhile (the last row's), so it
            // is asked again.
            const QStringList search{"search", "--sync", "--onlyvisible", "--classname", name};
            QTRY_VERIFY_WITH_TIMEOUT(!(otherId = run(search)).isEmpty(), windowManagerTimeout);
        }
        startWith({{"Text1", "ab"}, {"Text2", "cd"}});
        focusInto("Text1");
        QSignalSpy clicked(get<QPushButton>(*m_form, "Command1"), &QPushButton::clicked);
        if (leave == QLatin1String("while open"))
            m_closer->whileOpen = [&] {
                // Once the window manager has activated the notice (Qt counts it active once
                // mapped): a notice it activates later takes the activation from the other.
                const auto notice = QByteArray::number(QApplication::activeModalWidget()->winId());
                QTRY_COMPARE_WITH_TIMEOUT(run({"getactivewindow"}), notice, windowManagerTimeout);
                run({"windowactivate", "--sync", QString::fromLatin1(otherId)});
                QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeWindow(), windowManagerTimeout);
            };
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
        QCOMPARE(m_closer->texts, QStringList{digits});
        QCOMPARE(clicked.size(), 0);
        QVERIFY(!get<QPushButton>(*m_form, "Command1")->isDown());
        QVERIFY(leave == QLatin1String("while open") ? m_form->focusWidget() == w("Text1")
                                                     : focusBackIn("Text1"));
        QCOMPARE(text("Text1"), QStringLiteral("ab"));
        QVERIFY(!QApplication::activePopupWidget());
        if (leave == QLatin1String("after OK"))
            run({"windowactivate", "--sync", QString::fromLatin1(otherId)});
        if (!leave.isEmpty()) {
            QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeWindow(), windowManagerTimeout);
            QTest::qWait(1000); // past anything the window had left to do after its notice
            QCOMPARE(run({"getactivewindow"}), otherId);
            QVERIFY(!QApplication::activeWindow());
            other.kill();
            other.waitForFinished();
        }
    }
};

QTEST_MAIN(TestFocus)
#include "tst_focus.moc"
