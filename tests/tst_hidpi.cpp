// At twice the pixel density the window doubles and its pictures stay sharp: the hand on
// Command2 and the window icon come from their 2x drawings, not from a blurred 32 x 32.
#include "app/form1.h"

#include <QPushButton>
#include <QTest>

class TestHiDpi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handIsDrawnFromThe2xPicture()
    {
        Form1 form;
        form.Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.devicePixelRatio(), 2.0);
        QCOMPARE(form.size(), QSize(374, 101));
        // The window's pixels over the button: the hand is drawn above the button's face.
        const QImage face =
            form.grab(form.findChild<QPushButton *>(QStringLiteral("Command2"))->geometry())
                .toImage();
        QCOMPARE(face.size(), QSize(194, 50));
        // The picture sits inside the 2-pixel border; compare every opaque pixel that the
        // face shows (it is lower than the picture).
        const QImage hand =
            QImage(QStringLiteral(":/koyomix/hand@2x.xpm")).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(hand.size(), QSize(64, 64));
        int compared = 0;
        for (int y = 0; y < 42; ++y)
            for (int x = 0; x < 64; ++x)
                if (qAlpha(hand.pixel(x, y)) == 255) {
                    QCOMPARE(face.pixelColor(4 + x, 4 + y), hand.pixelColor(x, y));
                    ++compared;
                }
        QVERIFY(compared > 500);
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
