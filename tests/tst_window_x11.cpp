// The window on a real X server with a window manager: start-up focus, the client area
// and frame hints the window manager sees, a refused resize, the notices on screen, and
// a screenshot for people to look at (koyomix-x11.png in the test's working directory).
#include "noticetexts.h"
#include "windowprobe.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>

using namespace windowprobe;

namespace {

QString x11Tool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The client area as the X server holds it.
QSize clientSize(const QWidget &window)
{
    static const QRegularExpression size(QStringLiteral("Width:\\s+(\\d+)\\s+Height:\\s+(\\d+)"));
    const auto m = size.match(x11Tool("xwininfo", {"-id", QString::number(window.winId())}));
    return {m.captured(1).toInt(), m.captured(2).toInt()};
}

} // namespace

class TestWindowX11 : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpOnScreen()
    {
        Form1 form;
        FocusRecorder focusOuts(QEvent::FocusOut);
        for (QLineEdit *field : form.findChildren<QLineEdit *>())
            field->installEventFilter(&focusOuts);
        form.Form_Load();
        QCOMPARE(form.focusWidget()->objectName(), QStringLiteral("Text4"));
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text4"));
        QCOMPARE(focusOuts.reasons, QList<Qt::FocusReason>());

        const QString id = QString::number(form.winId());
        const auto xprop = [&id](const char *name) { return x11Tool("xprop", {"-id", id, name}); };
        QVERIFY(xprop("_NET_WM_NAME").contains("\"Koyomix Ver." KOYOMIX_VERSION "\""));
        QCOMPARE(clientSize(form), QSize(374, 101));

        // Motif hints: functions and decorations without minimise (0x08, 0x20) or
        // maximise (0x10, 0x40).
        const QStringList hints = xprop("_MOTIF_WM_HINTS").section(u'=', 1).split(u',');
        QCOMPARE(hints.size(), 5);
        QCOMPARE(hints[1].trimmed().toUInt(nullptr, 16) & 0x18u, 0u);
        QCOMPARE(hints[2].trimmed().toUInt(nullptr, 16) & 0x60u, 0u);

        // What the window manager then allows: neither resizing nor maximising.
        const QString allowed = xprop("_NET_WM_ALLOWED_ACTIONS");
        QVERIFY2(allowed.contains("_NET_WM_ACTION_CLOSE") &&
                     !allowed.contains("_NET_WM_ACTION_RESIZE") &&
                     !allowed.contains("_NET_WM_ACTION_MAXIMIZE"),
                 qPrintable(allowed));

        x11Tool("xdotool", {"windowsize", id, "600", "300"});
        form.resize(600, 300);
        QTest::qWait(300);
        QCOMPARE(form.size(), QSize(374, 101));
        QCOMPARE(clientSize(form), QSize(374, 101));

        const QRect f = form.frameGeometry();
        const QImage shot =
            form.screen()->grabWindow(0, f.x(), f.y(), f.width(), f.height()).toImage();
        QVERIFY(shot.save(QDir::current().filePath(QStringLiteral("koyomix-x11.png"))));
        QCOMPARE(shot.pixelColor(shot.width() - 10, shot.height() - 10), QColor(224, 224, 224));
    }

    // The real box behind ShowNotice, answered by a key: the about box, and a field's notice.
    void noticeOnScreen_data()
    {
        QTest::addColumn<bool>("about");
        QTest::addColumn<int>("icon");
        QTest::newRow("about box: information icon, CR CR reads as an empty line")
            << true << int(QMessageBox::Information);
        QTest::newRow("a field's notice: no icon, one line") << false << int(QMessageBox::NoIcon);
    }

    void noticeOnScreen()
    {
        QFETCH(bool, about);
        ShownWindow form(ShownWindow::RealNotices);
        QVERIFY(form.load());
        BoxCloser closer;
        auto *label6 = get<QLabel>(form, "Label6");
        if (about)
            QTest::mouseDClick(label6, Qt::LeftButton);
        else
            QCOMPARE(form.chkYYYY2(QStringLiteral("x")), 1);
        QCOMPARE(closer.boxes.size(), 1);
        const BoxSeen &seen = closer.boxes[0];
        QCOMPARE((std::tuple(seen.parent, seen.title, seen.buttons, seen.okWithoutIcon)),
                 (std::tuple<QWidget *, QString, int, bool>(&form, "Koyomix", 1, true)));
        QTEST(seen.icon, "icon");
        QVERIFY(seen.drawsWithoutBoxes);
        QCOMPARE(seen.text.split(QLatin1Char('\n')),
                 about ? QStringList({QStringLiteral("Koyomix Ver." KOYOMIX_VERSION), QString(),
                                      label6->text()})
                       : QStringList{noticetexts::ordinalYearDigits});
        QCOMPARE(form.RET(), qint16(Form1::NoticeOk));
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text4"));
    }
};

QTEST_MAIN(TestWindowX11)
#include "tst_window_x11.moc"
