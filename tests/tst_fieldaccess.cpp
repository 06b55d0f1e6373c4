// The text a screen reader reads from the five digit fields: every boundary at, before and
// after every offset, answered at once; everything else answered as Qt's own line edit does.
#include "a11y/accessiblefactory.h"
#include "windowprobe.h"

#include <QAccessible>

#include <algorithm>
#include <climits>
#include <cstring>
#include <tuple>

using namespace windowprobe;

namespace {

enum Where { Before, At, After };

struct Answer
{
    QString text;
    int start = -1;
    int end = -1;
    bool operator==(const Answer &) const = default;
};

Answer ask(QAccessibleTextInterface *text, QAccessible::TextBoundaryType boundary, Where where,
           int offset)
{
    Answer a;
    if (where == Before)
        a.text = text->textBeforeOffset(offset, boundary, &a.start, &a.end);
    else if (where == At)
        a.text = text->textAtOffset(offset, boundary, &a.start, &a.end);
    else
        a.text = text->textAfterOffset(offset, boundary, &a.start, &a.end);
    return a;
}

// "-" for nothing (start and end -1), else the text and its start: "0@1"; its end when that
// is not where the text ends.
QString show(const Answer &a)
{
    if (a == Answer{})
        return QStringLiteral("-");
    if (a.end - a.start == a.text.size())
        return QStringLiteral("%1@%2").arg(a.text).arg(a.start);
    return QStringLiteral("%1@%2..%3").arg(a.text).arg(a.start).arg(a.end);
}

// Everything a screen reader can read or do through a line edit's interface but the text
// around an offset, in order; the edits change the field, so both fields get the same ones.
QStringList describe(QLineEdit *field)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field);
    QAccessibleTextInterface *text = iface->textInterface();
    QAccessibleEditableTextInterface *edit = iface->editableTextInterface();
    QAccessible::State state = iface->state();
    static_assert(sizeof(state) == sizeof(quint64));
    quint64 stateBits = 0;
    std::memcpy(&stateBits, &state, sizeof(state));
    QStringList d{
        QString::number(iface->role()),          iface->text(QAccessible::Name),
        iface->text(QAccessible::Description),   iface->text(QAccessible::Value),
        QString::number(stateBits, 16),          iface->actionInterface()->actionNames().join(u','),
        QString::number(text->characterCount()), QString::number(bool(edit))};
    int s = 0, e = 0;
    const int length = int(field->text().size());
    for (int i = -1; i <= length + 1; ++i) {
        const QRect r = text->characterRect(i);
        d << text->text(i, i + 2)
          << QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())
          << QString::number(text->offsetAtPoint(field->mapToGlobal(QPoint(4 + 7 * i, 8))));
    }
    for (int i = 0; i < length; ++i)
        d << text->textAtOffset(i, QAccessible::CharBoundary, &s, &e) << QString::number(s);
    text->setSelection(0, 1, 3);
    text->selection(0, &s, &e);
    d << QString::number(s) << QString::number(e) << QString::number(text->selectionCount());
    text->removeSelection(0);
    text->addSelection(0, 2);
    text->selection(0, &s, &e);
    d << QString::number(e) << QString::number(text->selectionCount());
    text->setCursorPosition(2);
    d << QString::number(text->cursorPosition());
    text->scrollToSubstring(1, 3);
    d << QString::number(text->cursorPosition());
    // Inside the text: past its end, Qt's own interface pads the field with spaces.
    edit->insertText(std::min(1, length), QStringLiteral("9"));
    d << field->text();
    edit->deleteText(0, 1);
    d << field->text();
    edit->replaceText(0, 2, QStringLiteral("77"));
    d << field->text();
    iface->setText(QAccessible::Value, QStringLiteral("123"));
    d << field->text();
    iface->setText(QAccessible::Value, QStringLiteral("abc"));
    d << field->text() << iface->text(QAccessible::Value);
    return d;
}

// What one call on a field's interfaces leaves: its answer, the text, the selection, the caret.
QString perform(QLineEdit *field, const QString &call, int a, int b, const QString &inserted)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field);
    QAccessibleTextInterface *text = iface->textInterface();
    QAccessibleEditableTextInterface *edit = iface->editableTextInterface();
    QString answer;
    if (call == u"text")
        answer = text->text(a, b);
    else if (call == u"characterRect")
        answer = text->characterRect(a).isEmpty() ? QString() : QStringLiteral("a rectangle");
    else if (call == u"setSelection")
        text->setSelection(0, a, b);
    else if (call == u"addSelection")
        text->addSelection(a, b);
    else if (call == u"deleteText")
        edit->deleteText(a, b);
    else if (call == u"insertText")
        edit->insertText(a, inserted);
    else if (call == u"replaceText")
        edit->replaceText(a, b, inserted);
    return QStringLiteral("%1|%2|%3|%4")
        .arg(answer, field->text(), field->selectedText())
        .arg(field->cursorPosition());
}

} // namespace

class TestFieldAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Answers at offsets -1 (the end of the text, where a screen reader puts the caret after
    // the last digit), 0, 1 ... length + 1.
    void everyBoundaryAndOffset_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("charBefore");
        QTest::addColumn<QString>("charAt");
        QTest::addColumn<QString>("charAfter");
        QTest::addColumn<QString>("lineAt"); // also the word, sentence, paragraph and no boundary
        const auto holding = [](const char *field, const char *text, const char *charBefore,
                                const char *charAt, const char *charAfter, const char *lineAt) {
            QTest::addRow(*text ? "%s holding %s" : "%s empty", field, text)
                << field << text << charBefore << charAt << charAfter << lineAt;
        };
        for (const char *field : {"Text1", "Text4"})
            holding(field, "2001", "1@3 - 2@0 0@1 0@2 1@3 -", "- 2@0 0@1 0@2 1@3 - -",
                    "- 0@1 0@2 1@3 - - -", "2001@0 2001@0 2001@0 2001@0 2001@0 2001@0 -");
        holding("Text2", "03", "3@1 - 0@0 3@1 -", "- 0@0 3@1 - -", "- 3@1 - - -",
                "03@0 03@0 03@0 03@0 -");
        holding("Text3", "11", "1@1 - 1@0 1@1 -", "- 1@0 1@1 - -", "- 1@1 - - -",
                "11@0 11@0 11@0 11@0 -");
        holding("Text5", "070", "0@2 - 0@0 7@1 0@2 -", "- 0@0 7@1 0@2 - -", "- 7@1 0@2 - - -",
                "070@0 070@0 070@0 070@0 070@0 -");
        for (const char *field : {"Text1", "Text2", "Text3", "Text4", "Text5"})
            holding(field, "", "- - -", "- - -", "- - -", "- - -");
    }
    // A word at the end of the text (the caret after the last digit) used to never return: the
    // test program's own watchdog (QTEST_FUNCTION_TIMEOUT) fails it then. Nothing comes before
    // or after a field's one line.
    void everyBoundaryAndOffset()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, charBefore);
        QFETCH(QString, charAt);
        QFETCH(QString, charAfter);
        QFETCH(QString, lineAt);
        ShownWindow form;
        QVERIFY(form.load());
        auto *edit = get<QLineEdit>(form, field);
        edit->setText(text);
        edit->setCursorPosition(0); // away from the end, which -1 names
        QAccessibleTextInterface *iface =
            QAccessible::queryAccessibleInterface(edit)->textInterface();
        QVERIFY(iface);
        const QString nothing = QStringList(text.size() + 3, QStringLiteral("-")).join(u' ');
        const QList<std::pair<QAccessible::TextBoundaryType, const char *>> boundaries = {
            {QAccessible::CharBoundary, "char"},           {QAccessible::WordBoundary, "word"},
            {QAccessible::SentenceBoundary, "sentence"},   {QAccessible::LineBoundary, "line"},
            {QAccessible::ParagraphBoundary, "paragraph"}, {QAccessible::NoBoundary, "none"}};
        QStringList wrong;
        // One run without attributes spans the text: read run by run, it keeps every digit.
        for (int offset = 0; offset <= text.size(); ++offset) {
            int s = -2, e = -2;
            const QString attributes = iface->attributes(offset, &s, &e);
            if (!attributes.isEmpty() || s != 0 || e != text.size())
                wrong << QStringLiteral("attributes at %1: \"%2\" %3..%4")
                             .arg(QString::number(offset), attributes, QString::number(s),
                                  QString::number(e));
        }
        for (const auto &[boundary, name] : boundaries) {
            const bool character = boundary == QAccessible::CharBoundary;
            const std::tuple<Where, const char *, QString> wheres[] = {
                {Before, "before", character ? charBefore : nothing},
                {At, "at", character ? charAt : lineAt},
                {After, "after", character ? charAfter : nothing}};
            for (const auto &[where, whereName, want] : wheres) {
                QStringList got;
                for (int offset = -1; offset <= text.size() + 1; ++offset)
                    got << show(ask(iface, boundary, where, offset));
                if (got.join(u' ') != want)
                    wrong << QStringLiteral("%1 %2: %3, expected %4")
                                 .arg(QLatin1String(name), QLatin1String(whereName), got.join(u' '),
                                      want);
            }
        }
        QCOMPARE(wrong, QStringList());
    }

    void everythingElseIsQts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("digits") << "2001";
        QTest::newRow("empty") << "";
    }
    // A twin without the program's interface gets Qt's own.
    void everythingElseIsQts()
    {
        QFETCH(QString, text);
        QLineEdit ours, qts;
        koyomix::useFieldTextInterface(&ours);
        for (QLineEdit *field : {&ours, &qts}) {
            field->setGeometry(40, 30, 120, 24);
            field->setAccessibleName(QStringLiteral("通日"));
            field->setText(text);
        }
        // Selecting from 1 in an empty field: ours selects from the end of the text instead.
        if (text.isEmpty())
            QTest::ignoreMessage(QtWarningMsg,
                                 "QLineEdit::setSelection: Invalid start position (1)");
        QCOMPARE(describe(&ours), describe(&qts));
    }

    // A client may send any int: an offset outside the text acts as the nearest end of it, and
    // nothing overflows (the sanitizer preset halts on that) or grows with an argument.
    void everyArgumentIsBounded_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("b");
        QTest::addColumn<QString>("inserted");
        QTest::addColumn<QString>("left"); // answer|text|selection|caret, from "20" of at most 4
        const int after = 3;               // length + 1
        const auto row = [](const char *name, const char *call, int a, int b, const QString &in,
                            const char *left) {
            QTest::newRow(name) << call << a << b << in << QString::fromLatin1(left);
        };
        row("text(INT_MIN, length+1): end - start overflowed", "text", INT_MIN, after, {},
            "20|20||2");
        row("text(-1, INT_MAX): end - start overflowed", "text", -1, INT_MAX, {}, "20|20||2");
        row("setSelection(INT_MIN, length+1) selects nothing", "setSelection", INT_MIN, after, {},
            "|20|20|2");
        row("setSelection(-1, INT_MAX) selects nothing", "setSelection", -1, INT_MAX, {},
            "|20|20|2");
        row("addSelection(INT_MAX, INT_MIN): end - start overflowed", "addSelection", INT_MAX,
            INT_MIN, {}, "|20|20|0");
        row("addSelection(length+1, -1) selects nothing", "addSelection", after, -1, {},
            "|20|20|0");
        row("characterRect(INT_MAX): offset + 1 overflowed", "characterRect", INT_MAX, 0, {},
            "|20||2");
        row("deleteText(INT_MIN, INT_MAX): end - start overflowed", "deleteText", INT_MIN, INT_MAX,
            {}, "|||0");
        row("deleteText(-1, length+1) keeps a digit", "deleteText", -1, after, {}, "|||0");
        row("insertText(INT_MIN) inserts nothing", "insertText", INT_MIN, 0, "9", "|920||3");
        row("insertText(-1) inserts nothing", "insertText", -1, 0, "9", "|920||3");
        row("insertText(length+1) pads with a space", "insertText", after, 0, "9", "|209||3");
        row("insertText(INT_MAX) pads 2^31 spaces", "insertText", INT_MAX, 0, "9", "|209||3");
        row("replaceText(INT_MIN, INT_MAX): end - start overflowed", "replaceText", INT_MIN,
            INT_MAX, "9", "|9||1");
        row("replaceText(-1, length+1) replaces nothing", "replaceText", -1, after, "9", "|9||1");
        // What a client inserts is cut to the room left, as a paste into the field is.
        row("insertText beyond the maximum length drops the field's own digits", "insertText", 0, 0,
            "123456", "|1220||4");
        row("replaceText beyond the maximum length drops what follows", "replaceText", 0, 1,
            "34567", "|3450||4");
        const QChar controls[] = {u'\0', u'\t', u'\x1b', u'9', u'\x7f'};
        row("NUL and other control characters enter the field", "insertText", 2, 0,
            QString(controls, 5), "|209||3");
    }
    void everyArgumentIsBounded()
    {
        QFETCH(QString, call);
        QFETCH(int, a);
        QFETCH(int, b);
        QFETCH(QString, inserted);
        QFETCH(QString, left);
        QLineEdit field;
        field.setMaxLength(4);
        field.setText(QStringLiteral("20"));
        koyomix::useFieldTextInterface(&field);
        QCOMPARE(perform(&field, call, a, b, inserted), left);
    }

    // The interface is the program's even when Qt had made one for the field before, and it
    // keeps Qt's name, role and editing on the window's fields.
    void replacesAnEarlierInterface()
    {
        QLineEdit field;
        field.setText(QStringLiteral("2001"));
        QVERIFY(QAccessible::queryAccessibleInterface(&field));
        koyomix::useFieldTextInterface(&field);
        const auto text = QAccessible::queryAccessibleInterface(&field)->textInterface();
        QCOMPARE(ask(text, QAccessible::WordBoundary, At, -1), (Answer{"2001", 0, 4}));
    }
    void windowFieldKeepsQtsNameRoleAndEditing()
    {
        Form1 form;
        auto *edit = get<QLineEdit>(form, "Text4");
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(edit);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("通日の年"));
        QVERIFY(iface->editableTextInterface());
        iface->editableTextInterface()->insertText(0, QStringLiteral("2001"));
        QCOMPARE(edit->text(), QStringLiteral("2001"));
        QCOMPARE(ask(iface->textInterface(), QAccessible::LineBoundary, At, 4),
                 (Answer{"2001", 0, 4}));
        edit->setCursorPosition(1); // -2 is the caret, as in Qt's line edit
        QCOMPARE(ask(iface->textInterface(), QAccessible::CharBoundary, At, -2),
                 (Answer{"0", 1, 2}));
    }
};

QTEST_MAIN(TestFieldAccess)
#include "tst_fieldaccess.moc"
