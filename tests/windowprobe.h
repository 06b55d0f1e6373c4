#pragma once
// Helpers shared by the window tests: a lookup of the window's controls by name, notices
// recorded instead of shown, a shown and active window, a focus event recorder, a glyph check,
// and a closer that inspects and answers every message box. A window test includes this alone
// for Form1, Qt Test and the widget classes the helpers hand out.

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

#include <functional>
#include <initializer_list>
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

// How long the window manager may take to activate a window or give it back its focus: on a
// machine busy with other work that can be far longer than Qt Test's default of 5 s.
constexpr int windowManagerTimeout = 30000;

using FieldTexts = std::initializer_list<std::pair<const char *, QString>>;

// The window as a user finds it. Its notices are recorded in `notices` and answered with
// `answer`, or open as the real boxes.
class ShownWindow : public Form1
{
public:
    enum NoticeKind { RecordedNotices, RealNotices };
    explicit ShownWindow(NoticeKind kind = RecordedNotices, int answer = Form1::NoticeOk)
    {
        if (kind == RecordedNotices)
            setNoticeHandler(recordNotices([this](const Notice &n) { notices << n; }, answer));
    }
    QList<Notice> notices;

    // Sets the fields' texts, then loads the window; true once it is active with the focus in
    // `focus` (in no field when null). Moved from Text4 by a call, the focus has Text4 checked
    // once the event loop runs.
    [[nodiscard]] bool load(FieldTexts texts = {}, const char *focus = "Text4")
    {
        for (const auto &[name, text] : texts)
            get<QLineEdit>(*this, name)->setText(text);
        Form_Load();
        if (!QTest::qWaitForWindowActive(this, windowManagerTimeout))
            return false;
        QWidget *const target = focus ? get(*this, focus) : nullptr;
        if (target)
            target->setFocus();
        else if (QWidget *w = QApplication::focusWidget())
            w->clearFocus();
        return QTest::qWaitFor([&] { return QApplication::focusWidget() == target; },
                               windowManagerTimeout);
    }
};

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
        if (run.glyphIndexes().contains(0))
            return false;
    return !runs.isEmpty();
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
