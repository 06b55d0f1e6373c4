// At twice the pixel density the window doubles and its pictures stay sharp: the hand on
// Command2 and the window icon come from their 2x drawings, not from a blurred 32 x 32.
// The offscreen platform has two screens (hidpi-screens.json), scaled by Qt (see main) and
// named for their density: "2x" and "1x".
#include "windowprobe.h"

#include <QScreen>
#include <QWindow>

using namespace windowprobe;

// Each screen's density as Qt's own scaling gives it, set before the application starts: the
// offscreen platform's "dpr" reaches no window from Qt 6.6 on, where a window asks its platform
// window, not its screen.
static const bool scaled = qputenv("QT_SCREEN_SCALE_FACTORS", "2x=2;1x=1");

class TestHiDpi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handIsDrawnForTheScreen_data()
    {
        QTest::addColumn<QString>("startOn");
        QTest::addColumn<QString>("moveTo"); // empty: stays
        QTest::addColumn<QString>("picture");
        // Built before it has a screen, the window first takes the highest density of all.
        QTest::newRow("shown on the 2x screen: the 2x picture")
            << QStringLiteral("2x") << QString() << QStringLiteral("hand@2x");
        QTest::newRow("shown on the 1x screen: the 1x picture")
            << QStringLiteral("1x") << QString() << QStringLiteral("hand");
        QTest::newRow("moved from the 2x to the 1x screen: redrawn from the 1x picture")
            << QStringLiteral("2x") << QStringLiteral("1x") << QStringLiteral("hand");
    }

    void handIsDrawnForTheScreen()
    {
        QFETCH(QString, startOn);
        QFETCH(QString, moveTo);
        QFETCH(QString, picture);
        const auto screen = [](const QString &name) {
            for (QScreen *s : QGuiApplication::screens())
                if (s->name() == name)
                    return s;
            return static_cast<QScreen *>(nullptr);
        };
        QVERIFY(scaled && screen(QStringLiteral("1x")) && screen(QStringLiteral("2x")));
        Form1 form;
        form.setScreen(screen(startOn));
        form.move(screen(startOn)->geometry().topLeft());
        form.Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        if (!moveTo.isEmpty()) {
            form.windowHandle()->setScreen(screen(moveTo));
            form.move(screen(moveTo)->geometry().topLeft());
            QVERIFY(QTest::qWaitForWindowExposed(&form));
        }
        const int scale = (moveTo.isEmpty() ? startOn : moveTo).front().digitValue();
        QCOMPARE(form.devicePixelRatio(), scale);
        QCOMPARE(form.size(), QSize(374, 101));
        // The 2x hand is the 1x one with every pixel doubled: at these two densities only the
        // picture's own density tells which drawing is shown (at 1.5 the pixels would too).
        const QPixmap drawn = get<QLabel>(form, "Command2Picture")->pixmap();
        QCOMPARE(drawn.devicePixelRatio(), scale);
        // The window's pixels over the button: the hand is drawn above the button's face.
        const QImage face = form.grab(get(form, "Command2")->geometry()).toImage();
        QCOMPARE(face.size(), QSize(97, 25) * scale);
        // The picture sits inside the 2-pixel border; compare every opaque pixel that the
        // face shows (it is lower than the 21 pixels of the picture that the face shows).
        const QImage hand = QImage(QStringLiteral(":/koyomix/%1.xpm").arg(picture))
                                .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(hand.size(), QSize(32, 32) * scale);
        int compared = 0;
        for (int y = 0; y < 21 * scale; ++y)
            for (int x = 0; x < hand.width(); ++x)
                if (qAlpha(hand.pixel(x, y)) == 255) {
                    QCOMPARE(face.pixelColor(2 * scale + x, 2 * scale + y), hand.pixelColor(x, y));
                    ++compared;
                }
        QVERIFY(compared > 120 * scale * scale);
    }

    void iconHasA2xDrawing()
    {
        Form1 form;
        const QPixmap icon = form.windowIcon().pixmap(QSize(32, 32), 2.0);
        QCOMPARE(icon.size(), QSize(64, 64));
        QCOMPARE(icon.toImage().convertToFormat(QImage::Format_ARGB32),
                 QImage(QStringLiteral(":/koyomix/calendar@2x.xpm"))
                     .convertToFormat(QImage::Format_ARGB32));
    }
};

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
