// At twice the pixel density the window doubles and the hand on Command2 stays sharp: it comes
// from its 2x drawing, not from a blurred 32 x 32.
// The offscreen platform has two screens (hidpi-screens.json), scaled by Qt (see main) and
// named for their density: "2x" and "1x".
#include "windowprobe.h"

#include <QScreen>

#include <algorithm>

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
        QTest::addColumn<QStringList>("screens"); // shown on the first, then moved to each next
        // Built before it has a screen, the window first takes the highest density of all.
        QTest::newRow("shown on the 2x screen: the 2x picture") << QStringList{"2x"};
        QTest::newRow("shown on the 1x screen: the 1x picture") << QStringList{"1x"};
        QTest::newRow("moved from the 2x to the 1x screen: redrawn from the 1x picture")
            << QStringList{"2x", "1x"};
    }

    void handIsDrawnForTheScreen()
    {
        QFETCH(QStringList, screens);
        Form1 form;
        for (const QString &name : screens) {
            const QList<QScreen *> all = QGuiApplication::screens();
            const auto screen = std::ranges::find(all, name, &QScreen::name);
            QVERIFY(scaled && screen != all.end());
            form.setScreen(*screen);
            form.move((*screen)->geometry().topLeft());
            if (!form.isVisible())
                form.Form_Load();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
        }
        const int scale = screens.last().front().digitValue();
        QCOMPARE(form.devicePixelRatio(), scale);
        QCOMPARE(form.size(), QSize(374, 101));
        // The 2x hand is the 1x one with every pixel doubled: at these two densities only the
        // picture's own density tells which drawing is shown (at 1.5 the pixels would too).
        QCOMPARE(get<QLabel>(form, "Command2Picture")->pixmap().devicePixelRatio(), scale);
        // The window's pixels over the button: the hand is drawn above the button's face.
        const QImage face = form.grab(get(form, "Command2")->geometry()).toImage();
        QCOMPARE(face.size(), QSize(97, 25) * scale);
        // The picture sits inside the 2-pixel border; compare every opaque pixel that the
        // face shows (it is lower than the 21 pixels of the picture that the face shows).
        const QImage hand = QImage(scale == 2 ? ":/koyomix/hand@2x.xpm" : ":/koyomix/hand.xpm")
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
};

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
