// The Koyomix window as built from its layout: start-up state, layout table, tab cycle,
// maximum lengths, fonts and colours (readable under any desktop palette), labels that ignore
// clicks, the notices, and the window icon's drawing for twice the density.
// On a real X server with a window manager (tst_form1_x11) also: start-up focus, the client
// area and frame hints the window manager sees, a refused resize, the notices on screen, and a
// screenshot for people to look at (koyomix-x11.png in the test's working directory).
#include "dates/serialdate.h"
#include "noticetexts.h"
#include "windowprobe.h"

#include <QAccessible>
#include <QClipboard>
#include <QDir>
#include <QFontInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QToolTip>

#include <algorithm>
#include <cmath>
#include <memory>

using namespace windowprobe;

namespace {

// Every field text and label caption of the window, by control name.
QString snapshot(const QWidget &window)
{
    QString all;
    for (const QWidget *w : window.findChildren<QWidget *>())
        all += w->objectName() + u'=' + w->property("text").toString() + u';';
    return all;
}

// WCAG's contrast ratio of two colours, from 1 to 21.
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of a text drawn in `area` against the background at `background`: that of
// its strongest pixel, the core of a stroke, which antialiasing leaves in the text's colour.
double textContrast(const QImage &image, const QRect &area, const QPoint &background)
{
    double best = area.isEmpty() ? 21 : 1; // no text: nothing to read
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, contrast(image.pixelColor(x, y), image.pixelColor(background)));
    return best;
}

// A control of the window, by the sizes, fonts and lengths form1.ui gives it, and a text its
// own font must draw without falling back.
struct Layout
{
    QString name;
    QRect geometry;
    int maxLength; // typed or pasted, longer texts are cut
    double points;
    QString glyphs = {};
    bool bold = false;
    QString family = QStringLiteral("IPAPGothic");
};

// Where a control's background shows, its colour there, and where its text is drawn (none for
// a field's face above a separator).
struct Shown
{
    const char *what;
    QPoint background;
    QColor colour;
    QRect text;
};
const QColor grey(192, 192, 192), white(Qt::white), button(192, 192, 255), result(224, 224, 224);
const Shown shown[] = {
    {"Text4 is white", {45, 17}, white, {10, 10, 37, 15}},
    {"Text5 is white", {85, 17}, white, {58, 10, 29, 15}},
    {"Text1 is white", {45, 65}, white, {10, 58, 37, 15}},
    {"Text2 is white", {77, 65}, white, {58, 58, 21, 15}},
    {"Text3 is white", {109, 65}, white, {90, 58, 21, 15}},
    {"Text5 is drawn above Label3_2", {62, 23}, white, {}},
    {"Text2 is drawn above Label3_0", {62, 71}, white, {}},
    // The separators' strokes between the fields drawn above them.
    {"Label3_2 shows the window colour", {63, 31}, grey, {49, 8, 7, 25}},
    {"Label3_0 shows the window colour", {63, 79}, grey, {49, 56, 7, 25}},
    {"Label3_1 shows the window colour", {95, 79}, grey, {81, 56, 7, 25}},
    {"Command2 face in its BackColor beside the hand", {124, 30}, button, {154, 11, 60, 19}},
    {"Command1 face in its BackColor", {124, 60}, button, {123, 59, 91, 19}},
    {"Label4 is grey", {366, 12}, result, {224, 8, 145, 17}},
    {"Label5 is grey", {367, 46}, result, {224, 32, 145, 17}},
    {"Label1 is grey", {366, 60}, result, {224, 56, 145, 17}},
    {"Label2 is grey", {367, 94}, result, {224, 80, 145, 17}},
    {"Label6 is transparent", {88, 99}, grey, {0, 88, 89, 13}}};

// What is wrong with a control in a picture of the window: its background not in its colour,
// its text too faint against it, or a result's text not painted in 0x00FF0000.
QString wrongIn(const QImage &image, const Shown &s)
{
    if (image.pixelColor(s.background) != s.colour)
        return QStringLiteral(": background ") + image.pixelColor(s.background).name();
    if (const double ratio = textContrast(image, s.text, s.background); ratio < 4.5)
        return QStringLiteral(": contrast %1:1").arg(ratio);
    int blue = 0;
    for (int y = s.text.top(); y <= s.text.bottom(); ++y)
        for (int x = s.text.left(); x <= s.text.right(); ++x)
            blue += image.pixelColor(x, y) == QColor(0, 0, 255);
    return s.colour == result && blue < 10 ? QStringLiteral(": no text in blue") : QString();
}

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

// Under the address sanitizer, several times slower, the sweep draws every 6th day, all
// weekdays and both ends of the range (6 divides its 401,766 steps).
#ifdef __SANITIZE_ADDRESS__
constexpr int sweepStep = 6;
#else
constexpr int sweepStep = 1;
#endif

} // namespace

Q_DECLARE_METATYPE(Layout)
Q_DECLARE_METATYPE(Shown)

class TestForm1 : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ShownWindow> m_form;

    // Every field and result filled, by both buttons: 11 March 2001 is day 070.
    void fill()
    {
        const QStringList typed{"2001", "03", "11", "2001", "070"}; // in Text1 to Text5
        for (int i = 0; i < typed.size(); ++i)
            get<QLineEdit>(*m_form, QStringLiteral("Text%1").arg(i + 1))->setText(typed[i]);
        m_form->Command1_Click();
        m_form->Command2_Click();
    }

private Q_SLOTS:
    void init()
    {
        m_form = std::make_unique<ShownWindow>();
        QVERIFY(m_form->load());
    }
    void cleanup() { m_form.reset(); }

    void startUpState()
    {
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Koyomix Ver." KOYOMIX_VERSION));
        QCOMPARE(QApplication::focusWidget(), get(*m_form, "Text4"));
        for (const char *name :
             {"Text1", "Text2", "Text3", "Text4", "Text5", "Label1", "Label2", "Label4", "Label5"})
            QVERIFY2(get(*m_form, name)->property("text").toString().isEmpty(), name);
        const QStringList tips{"ボタンを押すとジュリアン暦に変換します",
                               "ボタンを押すとグレゴリオ暦に変換します"};
        for (int i = 0; i < tips.size(); ++i) { // a fallback font may draw a tooltip
            QCOMPARE(get(*m_form, QStringLiteral("Command%1").arg(i + 1))->toolTip(), tips[i]);
            QVERIFY(drawsWithoutBoxes(tips[i], QToolTip::font()));
        }
        QCOMPARE(m_form->RET(), 0);
        QCOMPARE(m_form->property("RET").toInt(), 0);
        for (const QSize size : {m_form->size(), m_form->minimumSize(), m_form->maximumSize()})
            QCOMPARE(size, QSize(374, 101));
        QCOMPARE(m_form->windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
                 Qt::WindowCloseButtonHint);
        // Not a blurred 32 x 32 on a screen of twice the density.
        const QImage icon = m_form->windowIcon().pixmap(QSize(32, 32), 2.0).toImage();
        QCOMPARE(icon.convertToFormat(QImage::Format_ARGB32),
                 QImage(":/koyomix/calendar@2x.xpm").convertToFormat(QImage::Format_ARGB32));
    }

    void labelsIgnoreClicks_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("action"); // click, double-click, F1, or the accessible press
        QTest::addColumn<int>("notices");
        for (const char *name : {"Label1", "Label2", "Label3_0", "Label4", "Label5", "Label6"}) {
            QTest::addRow("click on %s does nothing", name)
                << QString::fromLatin1(name) << "click" << 0;
            if (QByteArray(name) != "Label6")
                QTest::addRow("double-click on %s does nothing", name)
                    << QString::fromLatin1(name) << "double-click" << 0;
        }
        QTest::newRow("double-click on Label6 opens the about box only")
            << QStringLiteral("Label6") << "double-click" << 1;
        QTest::newRow("F1 in Text4 opens the about box only") << "Text4"
                                                              << "F1" << 1;
        QTest::newRow("the accessible press on Label6 opens the about box only")
            << "Label6" << QAccessibleActionInterface::pressAction() << 1;
    }

    void labelsIgnoreClicks()
    {
        QFETCH(QString, label);
        QFETCH(QString, action);
        QFETCH(int, notices);
        // A year the check would rewrite when Text4 lost the focus.
        QTest::keyClicks(get<QLineEdit>(*m_form, "Text4"), QStringLiteral("12"));
        const QString before = snapshot(*m_form);
        QWidget *w = get(*m_form, label);
        if (action == QLatin1String("double-click"))
            QTest::mouseDClick(w, Qt::LeftButton);
        else if (action == QLatin1String("click"))
            QTest::mouseClick(w, Qt::LeftButton);
        else if (action == QLatin1String("F1"))
            QTest::keyClick(w, Qt::Key_F1);
        else // a tool's call: the box opens once it has returned
            QAccessible::queryAccessibleInterface(w)->actionInterface()->doAction(action);
        QTRY_COMPARE(m_form->notices.size(), notices);
        if (notices) { // the about box: the caption, an empty line, the credit
            const auto [text, style, title] = m_form->notices.first();
            QCOMPARE(text, QStringLiteral("Koyomix Ver." KOYOMIX_VERSION "\r\r") +
                               get<QLabel>(*m_form, "Label6")->text());
            QCOMPARE(style, 64);
            QCOMPARE(title, QStringLiteral("Koyomix"));
            QCOMPARE(m_form->RET(), qint16(Form1::NoticeOk));
        }
        QCOMPARE(snapshot(*m_form), before);
        QCOMPARE(QApplication::focusWidget(), get(*m_form, "Text4"));
    }

    void layout_data()
    {
        QTest::addColumn<Layout>("l");
        const auto row = [](const char *what, const Layout &l) {
            QTest::addRow(l.maxLength ? "%s %s, %d characters typed or pasted" : "%s %s",
                          qPrintable(l.name), what, l.maxLength)
                << l;
        };
        row("ordinal year field, full-width digits in its own font",
            {"Text4", {8, 8, 41, 19}, 4, 9.75, "２００１"});
        row("separator in the ordinal row", {"Label3_2", {48, 8, 17, 25}, 0, 14.25});
        row("day-of-year field", {"Text5", {56, 8, 33, 19}, 3, 9.75});
        row("button to the calendar date, caption in its own font",
            {"Command2", {120, 8, 97, 25}, 0, 8.25, "グレゴリアン→", true});
        row("calendar date result", {"Label4", {224, 8, 145, 17}, 0, 12, {}, true});
        row("era result of the ordinal row, an era date in its own font",
            {"Label5", {224, 32, 145, 17}, 0, 9.75, "令和元年5月1日 (水)"});
        row("calendar year field", {"Text1", {8, 56, 41, 19}, 4, 9.75});
        row("first separator of the calendar row", {"Label3_0", {48, 56, 17, 25}, 0, 14.25});
        row("month field", {"Text2", {56, 56, 25, 19}, 2, 9.75});
        row("second separator of the calendar row", {"Label3_1", {80, 56, 17, 25}, 0, 14.25});
        row("day field", {"Text3", {88, 56, 25, 19}, 2, 9.75});
        row("button to the ordinal date, caption in its own font",
            {"Command1", {120, 56, 97, 25}, 0, 8.25, "ジュリアン→", true});
        row("ordinal date result", {"Label1", {224, 56, 145, 17}, 0, 12, {}, true});
        row("era result of the calendar row, an era date in its own font",
            {"Label2", {224, 80, 145, 17}, 0, 9.75, "平成13年3月11日 (日)"});
        row("credit line", {"Label6", {0, 88, 89, 17}, 0, 8.25, {}, false, "Liberation Sans"});
    }

    void layout()
    {
        QFETCH(Layout, l);
        QWidget *w = get(*m_form, l.name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), l.geometry);
        // The layout names the fonts of the original desktop; Debian draws them with
        // metric-compatible substitutes.
        QCOMPARE(w->font().family(), l.family == QLatin1String("IPAPGothic")
                                         ? QStringLiteral("ＭＳ Ｐゴシック")
                                         : QStringLiteral("Arial"));
        const QFontInfo info(w->font());
        QCOMPARE(info.family(), QFontInfo(QFont(l.family)).family());
        QCOMPARE(info.pointSizeF(), l.points);
        QCOMPARE(info.weight(), l.bold ? int(QFont::Bold) : int(QFont::Normal));
        QVERIFY(!info.italic());
        for (const QChar c : l.glyphs)
            QVERIFY2(QFontMetrics(w->font()).inFont(c),
                     qPrintable(QStringLiteral("no glyph for ") + c));
        if (!l.maxLength)
            return;
        auto *edit = get<QLineEdit>(*m_form, l.name);
        QCOMPARE(edit->maxLength(), l.maxLength);
        const QString tooLong = QStringLiteral("1234567");
        edit->setFocus();
        QTest::keyClicks(edit, tooLong);
        QCOMPARE(edit->text(), tooLong.left(l.maxLength));
        edit->clear();
        QGuiApplication::clipboard()->setText(tooLong);
        QTest::keySequence(edit, QKeySequence::Paste);
        QCOMPARE(edit->text(), tooLong.left(l.maxLength));
    }

    void tabCycle()
    {
        const QStringList cycle{"Text1", "Text2", "Text3",   "Command1",
                                "Text4", "Text5", "Command2"};
        get(*m_form, cycle.first())->setFocus();
        for (int i = 1; i <= cycle.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), cycle[i % cycle.size()]);
        }
        for (int i = cycle.size() - 1; i >= 0; --i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(QApplication::focusWidget()->objectName(), cycle[i]);
        }
    }

    void colours_data()
    {
        QTest::addColumn<Shown>("s");
        for (const Shown &s : shown)
            QTest::newRow(s.what) << s;
    }

    // Empty, then filled: the background in its colour, the text standing out from it.
    void colours()
    {
        QFETCH(Shown, s);
        QCOMPARE(m_form->grab().toImage().pixelColor(s.background), s.colour);
        fill();
        QCOMPARE(wrongIn(m_form->grab().toImage(), s), QString());
    }

    // A desktop palette with light text on dark backgrounds must not reach the fixed
    // backgrounds of every control of colours(), in the active window or behind another, while
    // the notices take it like every other program's boxes.
    void textIsReadable_data()
    {
        QTest::addColumn<QPalette>("desktop");
        const auto desktop = [](const QColor &window, const QColor &field, const QColor &text) {
            QPalette p = QApplication::palette();
            for (const auto role : {QPalette::Window, QPalette::Button, QPalette::AlternateBase})
                p.setColor(role, window);
            p.setColor(QPalette::Base, field);
            for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText,
                                    QPalette::HighlightedText})
                p.setColor(role, text);
            return p;
        };
        QTest::newRow("dark desktop palette, also with another window active")
            << desktop({49, 54, 59}, {35, 38, 41}, {252, 252, 252});
        QTest::newRow("high-contrast palette, white on black, also with another window active")
            << desktop(Qt::black, Qt::black, Qt::white);
    }

    void textIsReadable()
    {
        QFETCH(QPalette, desktop);
        const QPalette before = QApplication::palette();
        const auto restore = qScopeGuard([&before] { QApplication::setPalette(before); });
        QApplication::setPalette(desktop);
        init(); // built under the desktop's palette, as at start-up
        fill();
        QWidget other;
        for (const bool active : {true, false}) {
            // Qt 6.8 draws an inactive window with its inactive colours, which form1.ui sets too.
            if (!active) {
                other.show();
                other.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&other));
                QVERIFY(!m_form->isActiveWindow());
            }
            const QImage image = m_form->grab().toImage();
            for (const Shown &s : shown)
                QCOMPARE(QLatin1String(s.what) + wrongIn(image, s), QLatin1String(s.what));
        }

        m_form->setNoticeHandler({});
        BoxCloser closer;
        m_form->ShowNotice(noticetexts::ordinalYearDigits, 0, QStringLiteral("Koyomix"));
        QCOMPARE(closer.boxes.size(), 1);
        const BoxSeen &seen = closer.boxes[0];
        QCOMPARE(seen.picture.pixelColor(2, 2), desktop.color(QPalette::Window));
        QVERIFY(textContrast(seen.picture, seen.textArea, QPoint(2, 2)) >= 4.5);
    }

    void startUpOnScreen()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("what the window manager sees needs a real X server");
        m_form.reset(); // a window of its own, watched from before it is shown
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
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("the window active again once a box closes needs a window manager");
        QFETCH(bool, about);
        m_form->setNoticeHandler({});
        BoxCloser closer;
        auto *label6 = get<QLabel>(*m_form, "Label6");
        if (about)
            QTest::mouseDClick(label6, Qt::LeftButton);
        else
            QCOMPARE(m_form->chkYYYY2(QStringLiteral("x")), 1);
        QCOMPARE(closer.boxes.size(), 1);
        const BoxSeen &seen = closer.boxes[0];
        QCOMPARE((std::tuple(seen.parent, seen.title, seen.buttons, seen.okWithoutIcon)),
                 (std::tuple<QWidget *, QString, int, bool>(m_form.get(), "Koyomix", 1, true)));
        QTEST(seen.icon, "icon");
        QVERIFY(seen.drawsWithoutBoxes);
        QCOMPARE(seen.text.split(QLatin1Char('\n')),
                 about ? QStringList({QStringLiteral("Koyomix Ver." KOYOMIX_VERSION), QString(),
                                      label6->text()})
                       : QStringList{noticetexts::ordinalYearDigits});
        QCOMPARE(m_form->RET(), qint16(Form1::NoticeOk));
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text4"));
    }

    // Every result of the range, written by its button, is drawn whole in its label in the
    // fonts the window really uses: from 2118 an era year has three digits.
    void resultsDrawnWhole_data()
    {
        QTest::addColumn<QStringList>("controls"); // the button's fields, then its labels
        QTest::newRow("ジュリアン→: every ordinal and era date fits Label1 and Label2, condensed "
                      "only while too wide")
            << QStringList{"Text1", "Text2", "Text3", "Label1", "Label2"};
        QTest::newRow("グレゴリアン→: every calendar and era date fits Label4 and Label5, "
                      "condensed only while too wide")
            << QStringList{"Text4", "Text5", "Label4", "Label5"};
    }
    void resultsDrawnWhole()
    {
        using namespace koyomix;
        using namespace std::chrono_literals;
        QFETCH(QStringList, controls);
        const bool calendar = controls.size() == 5;
        int count = 0, least = 1000, narrowest = 100; // room left; the narrowest drawing
        for (SerialDate d = 1900y / 1 / 1; d <= SerialDate(2999y / 12 / 31);
             d = addDays(d, sweepStep), ++count) {
            QStringList texts = formatDate(d, kCalendarPattern).split(u'/');
            if (!calendar) // the year and the day of the year
                texts[1] = QString::number(daysBetween(dateFromYMD(yearOf(d), 1, 1), d) + 1)
                               .rightJustified(3, u'0');
            texts.resize(calendar ? 3 : 2);
            for (int i = 0; i < texts.size(); ++i)
                get<QLineEdit>(*m_form, controls[i])->setText(texts[i]);
            calendar ? m_form->Command1_Click() : m_form->Command2_Click();
            for (const QString &name : controls.mid(texts.size())) {
                const QLabel *label = get<QLabel>(*m_form, name);
                const auto drawn = [&label](QFont font) { // its ink may pass its advance
                    const QFontMetrics m(font);
                    return std::max(m.horizontalAdvance(label->text()),
                                    m.boundingRect(label->text()).right() + 1);
                };
                QFont full = label->font();
                full.setStretch(QFont::Unstretched);
                const int width = label->contentsRect().width();
                const int room = width - drawn(label->font());
                // Condensed only when it must be, also right after a wider result. AnyStretch (0)
                // and Unstretched (100) draw it at full width.
                const bool condensed = label->font().stretch() % QFont::Unstretched;
                QVERIFY2(room >= 0 && !label->text().isEmpty() &&
                             condensed == (drawn(full) > width),
                         qPrintable(name + u' ' + label->text()));
                least = std::min(least, room);
                narrowest = std::min(narrowest, label->font().stretch());
            }
        }
        QCOMPARE(count, 401766 / sweepStep + 1);
        qInfo("least room left %d px; narrowest drawing at %d%%", least, narrowest);
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
