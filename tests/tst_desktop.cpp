// What the window offers a desktop user beyond the conversions: what a screen reader
// reads, the IME kept off in the digit fields, copying results, Qt's texts in Japanese, and the
// choices made at start-up from the session's variables.
#include "desktop/desktopsession.h"
#include "desktop/qttranslations.h"
#include "noticetexts.h"
#include "windowprobe.h"

#include <QAccessible>
#include <QClipboard>
#include <QInputMethodQueryEvent>
#include <QMenu>
#include <QScopeGuard>

using namespace windowprobe;

class TestDesktop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(koyomix::installQtTranslations(*qApp)); }

    // What a screen reader reads for each control: its name, then its description (a field's
    // range, a button's tooltip, what a result label shows). A digit field also keeps the IME off
    // and, pasted full-width digits, has them refused by the field checks.
    void controls_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name"); // a label's: the result it is given
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QStringList>("notice");
        const QStringList digits{noticetexts::digits};
        const auto row = [](const char *control, const char *name, const char *description,
                            const char *pasted = "", const QStringList &notice = {}) {
            QTest::addRow("%s: %s, %s%s%s", control, name, description, *pasted ? ", pasted " : "",
                          pasted)
                << control << name << description << pasted << notice;
        };
        row("Text1", "年", "1900～2999年", "２００１", digits);
        row("Text2", "月", "1～12月", "０３", digits);
        row("Text3", "日", "1～31日", "１１", digits);
        row("Text5", "通日", "1～366日", "０７０", digits);
        // Which of the two texts depends on whether the numeric test reads full-width digits.
        row("Text4", "通日の年", "1900～2999年", "２００１",
            digits + QStringList{noticetexts::ordinalYearDigits});
        row("Command1", "ジュリアン変換", "ボタンを押すとジュリアン暦に変換します");
        row("Command2", "グレゴリアン変換", "ボタンを押すとグレゴリオ暦に変換します");
        row("Label1", "2001/070", "通日の結果");
        row("Label2", "平成13年3月11日 (日)", "通日の結果（和暦）");
        row("Label4", "2001/03/11", "日付の結果");
        row("Label5", "平成13年3月11日 (日)", "日付の結果（和暦）");
    }
    void controls()
    {
        QFETCH(QString, control);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(QString, pasted);
        QFETCH(QStringList, notice);
        ShownWindow w;
        const bool field = !pasted.isEmpty();
        QVERIFY(w.load({}, field ? qPrintable(control) : "Text4"));
        QWidget *widget = get(w, control);
        if (auto *label = qobject_cast<QLabel *>(widget))
            label->setText(name);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(iface->text(QAccessible::Description), description);
        if (!field)
            return;
        auto *edit = static_cast<QLineEdit *>(widget);
        edit->setText(QStringLiteral("12"));
        // The question Qt asks the focus object before it lets the platform's input
        // context (the IME) take the keys.
        QInputMethodQueryEvent enabled(Qt::ImEnabled);
        QApplication::sendEvent(QGuiApplication::focusObject(), &enabled);
        QCOMPARE(enabled.value(Qt::ImEnabled).toBool(), false);
        // Asked together with other things, the field still answers those.
        QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImSurroundingText);
        QApplication::sendEvent(edit, &query);
        QCOMPARE(query.value(Qt::ImEnabled).toBool(), false);
        QCOMPARE(query.value(Qt::ImSurroundingText).toString(), QStringLiteral("12"));

        // A full-width digit that still gets in is refused by the checks.
        QGuiApplication::clipboard()->setText(pasted);
        edit->selectAll();
        edit->paste();
        QCOMPARE(edit->text(), pasted);
        get(w, "Command2")->setFocus(Qt::TabFocusReason);
        QCOMPARE(w.notices.size(), 1);
        QVERIFY2(notice.contains(w.notices[0].text), qPrintable(w.notices[0].text));
        QCOMPARE(edit->text(), pasted);
        QTRY_COMPARE(QApplication::focusWidget(), edit);
    }

    // The lower row's results copied: by the label's menu, by the label's accessible action, by
    // the row's key in a control of the row, by the entry in a field's menu opened by Shift+F10.
    void copyResult_data()
    {
        QTest::addColumn<QString>("caption"); // of Label1; Label2 holds its era date
        QTest::addColumn<QString>("route");   // "select ...": "2001" of Label1 selected first
        QTest::addColumn<QString>("copied");
        const QString both = QStringLiteral("2001/070 平成13年3月11日 (日)");
        const auto row = [](const char *name, const char *caption, const char *route,
                            const QString &copied) {
            QTest::newRow(name) << caption << route << copied;
        };
        row("nothing selected copies the whole result", "2001/070", "menu", "2001/070");
        row("a selection copies only the selection", "2001/070", "select menu", "2001");
        row("an empty result offers nothing to copy", "", "menu", "before");
        row("the label's accessible copy takes the whole result", "2001/070", "select Copy",
            "2001/070");
        row("Ctrl+Shift+C in Text1 copies the row's two results", "2001/070", "Text1 Ctrl+Shift+C",
            both);
        row("Ctrl+Shift+C on Command1 copies the row's two results", "2001/070",
            "Command1 Ctrl+Shift+C", both);
        row("Ctrl+Shift+C in Text4 copies the other row's results, here none", "2001/070",
            "Text4 Ctrl+Shift+C", "before");
        row("Shift+F10 in Text2 opens its menu, whose last entry copies the row's results",
            "2001/070", "Text2 Shift+F10", both);
        row("Ctrl+Shift+C works after a conversion once the menu of a row with no result closed",
            "", "Text2 Shift+F10", both);
        row("Ctrl+C in Text3 still copies the field's selection", "2001/070",
            "Text3 Ctrl+A, Ctrl+C", "11");
    }
    void copyResult()
    {
        QFETCH(QString, caption);
        QFETCH(QString, route);
        QFETCH(QString, copied);
        ShownWindow w;
        QVERIFY(w.load({{"Text3", "11"}}));
        auto *label = get<QLabel>(w, "Label1");
        label->setText(caption);
        get<QLabel>(w, "Label2")->setText(QStringLiteral("平成13年3月11日 (日)"));
        if (route.startsWith(QLatin1String("select ")))
            label->setSelection(0, 4);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));

        const QString how = route.section(u' ', -1);
        QWidget *control = get(w, route.section(u' ', 0, 0));
        if (how == QLatin1String("menu")) {
            QTest::mouseClick(w.windowHandle(), Qt::RightButton, {},
                              label->mapTo(&w, QPoint(4, 4)));
        } else if (how == QLatin1String("Copy")) { // a tool's call: copied once it has returned
            QAccessible::queryAccessibleInterface(label)->actionInterface()->doAction(how);
        } else {
            control->setFocus();
            QTRY_COMPARE(QApplication::focusWidget(), control);
            QTest::keySequence(control, QKeySequence(route.section(u' ', 1)));
        }
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QCOMPARE(menu != nullptr, how == QLatin1String("menu") || how == u"Shift+F10");
        if (menu) {
            // The label's one entry, or the field's own entries (in Japanese in a session of any
            // language) with the row's copy last.
            QStringList texts;
            for (const QAction *action : menu->actions())
                texts << action->text().section(QLatin1Char('\t'), 0, 0);
            QAction *entry = menu->actions().constLast();
            if (how == QLatin1String("menu")) {
                QCOMPARE(texts, QStringList{QStringLiteral("コピー(&C)")});
            } else {
                QVERIFY2(texts.contains(QStringLiteral("コピー(&C)")),
                         qPrintable(texts.join(u'|')));
                QVERIFY2(texts.contains(QStringLiteral("貼り付け(&P)")),
                         qPrintable(texts.join(u'|')));
                QCOMPARE(entry->text(), QStringLiteral("結果をコピー(&K)\tCtrl+Shift+C"));
                QCOMPARE(entry->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+C")));
            }
            QCOMPARE(entry->isEnabled(), !caption.isEmpty());
            entry->trigger(); // a disabled entry does nothing
            menu->close();
        }
        if (how == u"Shift+F10" && caption.isEmpty()) { // a conversion, then the row's key
            label->setText(QStringLiteral("2001/070"));
            QTRY_COMPARE(QApplication::focusWidget(), control);
            QTest::keyClick(control, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        }
        QTRY_COMPARE(QGuiApplication::clipboard()->text(), copied);
        QCOMPARE(w.notices.size(), 0);
    }

    // Needs the field checks' focus discipline, which runs no check for a focus loss to a
    // popup: with a bad value in the field, a check would raise a notice here.
    void selectingAndTheMenuLeaveTheFocusInTheField()
    {
        ShownWindow w;
        QVERIFY(w.load());
        auto *field = get<QLineEdit>(w, "Text4");
        auto *label = get<QLabel>(w, "Label4");
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        field->setText(QStringLiteral("abc"));
        label->setText(QStringLiteral("2001/03/11"));
        FocusRecorder focusOuts(QEvent::FocusOut);
        field->installEventFilter(&focusOuts);

        // Clicks go through the window, as the user's mouse does.
        QWindow *window = w.windowHandle();
        const QPoint inLabel = label->mapTo(&w, QPoint(4, label->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, {}, inLabel);
        QTest::mouseDClick(window, Qt::LeftButton, {}, inLabel);
        QCOMPARE(label->selectedText(), QStringLiteral("2001")); // a double-click selects a word
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(focusOuts.reasons, QList<Qt::FocusReason>());

        QTest::mouseClick(window, Qt::RightButton, {}, inLabel);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        // The field did lose the focus to the menu: that is what must run no check.
        QCOMPARE(focusOuts.reasons, QList<Qt::FocusReason>{Qt::PopupFocusReason});
        menu->actions().constFirst()->trigger();
        menu->close();
        QTRY_VERIFY(!QApplication::activePopupWidget());
        QCOMPARE(QApplication::focusWidget(), field);
        QCOMPARE(w.notices.size(), 0);
        QCOMPARE(field->text(), QStringLiteral("abc"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("2001"));
    }

    // The platform (empty: left to Qt) and the input methods chosen at start-up, from the
    // session's variables; a row sets those it names and unsets the others.
    void startupChoices_data()
    {
        QTest::addColumn<QByteArray>("session");
        QTest::addColumn<QByteArray>("platform");
        QTest::addColumn<QByteArray>("modules");
        const auto row = [](const char *what, const QByteArray &session, const QByteArray &platform,
                            const QByteArray &modules) {
            QTest::newRow(what) << session << platform << modules;
        };
        const QByteArray gnome = "XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=GNOME";
        row("GNOME without Xwayland stays on Wayland", gnome, "", "compose");
        row("the user's title bar under GNOME keeps Wayland",
            gnome + " DISPLAY=:0 QT_WAYLAND_DECORATION=bradient", "", "compose");
        row("the compositor's text input is replaced by compose", "QT_IM_MODULE=wayland", "",
            "compose");
        row("ibus asks the field and is kept", "QT_IM_MODULE=ibus", "", "ibus;compose");
        row("QT_IM_MODULES wins, its fcitx kept and its wayland dropped",
            "QT_IM_MODULES=wayland;fcitx QT_IM_MODULE=ibus", "", "fcitx;compose");
    }
    void startupChoices()
    {
        QFETCH(QByteArray, session);
        QFETCH(QByteArray, platform);
        QFETCH(QByteArray, modules);
        QList<std::pair<const char *, QByteArray>> saved;
        for (const char *name :
             {"XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "DISPLAY", "QT_QPA_PLATFORM",
              "QT_WAYLAND_DECORATION", "QT_IM_MODULE", "QT_IM_MODULES"}) {
            saved.append({name, qgetenv(name)});
            qunsetenv(name);
        }
        const auto restore = qScopeGuard([&] {
            for (const auto &[name, value] : saved)
                value.isNull() ? qunsetenv(name) : qputenv(name, value);
        });
        for (const QByteArray &variable : session.split(' '))
            qputenv(variable.split('=').first().constData(), variable.split('=').last());
        koyomix::chooseWindowSystem();
        koyomix::chooseInputMethod();
        QCOMPARE(qgetenv("QT_QPA_PLATFORM"), platform);
        QCOMPARE(qgetenv("QT_IM_MODULES"), modules);
        QCOMPARE(qgetenv("QT_IM_MODULE"), modules.split(';').first());
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
