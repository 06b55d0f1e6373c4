#pragma once
// Helpers shared by the window tests: a lookup of the window's controls by name, notices
// recorded instead of shown, a focus event recorder, the layout table, a snapshot of every
// text of the window, a glyph check, text contrast, and a closer that inspects and answers
// every message box.

#include "app/form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFocusEvent>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace windowprobe {

// The window's control of that name.
template <typename T = QWidget> T *get(const QWidget &window, const QString &name)
{
    return window.findChild<T *>(name);
}

struct Notice
{
    QString text;
    int style;
    QString title;
};

// A notice handler that shows nothing: it passes each notice to `record`, if set, and
// answers it with `answer`.
inline Form1::NoticeHandler recordNotices(std::function<void(const Notice &)> record = {},
                                          int answer = Form1::NoticeOk)
{
    return [=](const QString &text, int style, const QString &title) {
        if (record)
            record({text, style, title});
        return answer;
    };
}

// Records the focus events of one type (FocusIn or FocusOut) that reach the objects it
// filters: the reason of each, and `onEvent` run at once, while the code that moved the
// focus is still running.
class FocusRecorder : public QObject
{
public:
    explicit FocusRecorder(QEvent::Type type, std::function<void(QObject *)> onEvent = {})
        : type(type), onEvent(std::move(onEvent))
    {
    }
    const QEvent::Type type;
    const std::function<void(QObject *)> onEvent;
    QList<Qt::FocusReason> reasons;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == type) {
            reasons << static_cast<QFocusEvent *>(event)->reason();
            if (onEvent)
                onEvent(watched);
        }
        return false;
    }
};

inline void layoutTable()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("requested");
    QTest::addColumn<QString>("family");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");
    const QString gothic = QStringLiteral("IPAPGothic");
    const auto row = [](const char *what, const char *name, QRect r, int maxLength,
                        const QString &family, double points, bool bold) {
        const QString requested = family == QLatin1String("IPAPGothic")
                                      ? QStringLiteral("ＭＳ Ｐゴシック")
                                      : QStringLiteral("Arial");
        QTest::addRow("%s %s", name, what)
            << QString::fromLatin1(name) << r << maxLength << requested << family << points << bold;
    };
    row("ordinal year field", "Text4", {8, 8, 41, 19}, 4, gothic, 9.75, false);
    row("separator in the ordinal row", "Label3_2", {48, 8, 17, 25}, 0, gothic, 14.25, false);
    row("day-of-year field", "Text5", {56, 8, 33, 19}, 3, gothic, 9.75, false);
    row("button to the calendar date", "Command2", {120, 8, 97, 25}, 0, gothic, 8.25, true);
    row("calendar date result", "Label4", {224, 8, 145, 17}, 0, gothic, 12, true);
    row("era result of the ordinal row", "Label5", {224, 32, 145, 17}, 0, gothic, 9.75, false);
    row("calendar year field", "Text1", {8, 56, 41, 19}, 4, gothic, 9.75, false);
    row("first separator of the calendar row", "Label3_0", {48, 56, 17, 25}, 0, gothic, 14.25,
        false);
    row("month field", "Text2", {56, 56, 25, 19}, 2, gothic, 9.75, false);
    row("second separator of the calendar row", "Label3_1", {80, 56, 17, 25}, 0, gothic, 14.25,
        false);
    row("day field", "Text3", {88, 56, 25, 19}, 2, gothic, 9.75, false);
    row("button to the ordinal date", "Command1", {120, 56, 97, 25}, 0, gothic, 8.25, true);
    row("ordinal date result", "Label1", {224, 56, 145, 17}, 0, gothic, 12, true);
    row("era result of the calendar row", "Label2", {224, 80, 145, 17}, 0, gothic, 9.75, false);
    row("credit line", "Label6", {0, 88, 89, 17}, 0, QStringLiteral("Liberation Sans"), 8.25,
        false);
}

// Every field text and label caption of the window, by control name.
inline QString snapshot(const QWidget &window)
{
    QString all;
    for (const QLineEdit *edit : window.findChildren<QLineEdit *>())
        all += edit->objectName() + QLatin1Char('=') + edit->text() + QLatin1Char(';');
    for (const QLabel *label : window.findChildren<QLabel *>())
        all += label->objectName() + QLatin1Char('=') + label->text() + QLatin1Char(';');
    return all;
}

// True when no character of the text is drawn as the missing-glyph box, fallback fonts
// included.
inline bool drawsWithoutBoxes(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    for (const QGlyphRun &run : runs)
        for (const quint32 glyph : run.glyphIndexes())
            if (glyph == 0)
                return false;
    return !runs.isEmpty();
}

// WCAG's contrast ratio of two colours, from 1 to 21.
inline double contrast(const QColor &a, const QColor &b)
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
inline double textContrast(const QImage &image, const QRect &area, const QPoint &background)
{
    double best = 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            best = std::max(best, contrast(image.pixelColor(x, y), image.pixelColor(background)));
    return best;
}

struct BoxSeen
{
    QWidget *parent = nullptr;
    QString title;
    QString text;
    int icon = -1;
    int buttons = 0;
    bool okWithoutIcon = false;
    bool drawsWithoutBoxes = false;
    QImage picture;
    QRect textArea; // where the message is in the picture
};

// Closes every message box that opens while it lives, as a user pressing Return would, and
// records what each showed. Like a user it waits until the box is the active window: a box
// closed before the window manager has activated it gets its activation afterwards and leaves
// no window active. `whileOpen` runs once, with the first box open; a box it opens on top is
// closed as well.
class BoxCloser : public QObject
{
public:
    BoxCloser() { tick(); }
    QList<BoxSeen> boxes;
    QStringList texts; // of the boxes, and of any notice a test records with them
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
        boxes << seen(*box);
        texts << box->text();
        if (whileOpen)
            std::exchange(whileOpen, {})();
        QTest::keyClick(box, Qt::Key_Return);
        m_closing.removeOne(box);
    }
    static BoxSeen seen(QMessageBox &box)
    {
        const QAbstractButton *ok = box.button(QMessageBox::Ok);
        const auto *label = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
        BoxSeen seen{.parent = box.parentWidget(),
                     .title = box.windowTitle(),
                     .text = box.text(),
                     .icon = box.icon(),
                     .buttons = int(box.buttons().size()),
                     .okWithoutIcon = ok && ok->icon().isNull(),
                     .drawsWithoutBoxes = label != nullptr,
                     .picture = box.grab().toImage(),
                     .textArea = label ? label->geometry() : QRect()};
        for (const QString &line : box.text().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            seen.drawsWithoutBoxes =
                seen.drawsWithoutBoxes && drawsWithoutBoxes(line, label->font());
        return seen;
    }
    QList<QMessageBox *> m_closing;
};

} // namespace windowprobe
