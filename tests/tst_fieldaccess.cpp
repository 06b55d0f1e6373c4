// The text a screen reader reads from the five digit fields: every boundary at, before and
// after every offset, answered at once; everything else answered as Qt's own line edit does.
#include "a11y/accessiblefactory.h"
#include "windowprobe.h"

#include <QAccessible>

#include <bit>
#include <climits>
#include <tuple>

using namespace windowprobe;

namespace {

using Read = QString (QAccessibleTextInterface::*)(int, QAccessible::TextBoundaryType, int *,
                                                   int *) const;

// "-" for nothing (start and end -1), else the text and its start: "0@1"; its end when that
// is not where the text ends.
QString read(QAccessibleTextInterface *iface, Read how, QAccessible::TextBoundaryType boundary,
             int offset)
{
    int s = -1, e = -1;
    const QString text = (iface->*how)(offset, boundary, &s, &e);
    if (text.isEmpty() && s == -1 && e == -1)
        return QStringLiteral("-");
    if (e - s == text.size())
        return QStringLiteral("%1@%2").arg(text).arg(s);
    return QStringLiteral("%1@%2..%3").arg(text).arg(s).arg(e);
}

// Everything a screen reader can read or do through a line edit's interface but the text
// around an offset, in order; the edits change the field, so both fields get the same ones.
QString describe(QLineEdit *field)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field);
    QAccessibleTextInterface *text = iface->textInterface();
    QAccessibleEditableTextInterface *edit = iface->editableTextInterface();
    QString d;
    QDebug out(&d);
    out << iface->role() << iface->text(QAccessible::Name) << iface->text(QAccessible::Description)
        << iface->text(QAccessible::Value) << std::bit_cast<quint64>(iface->state())
        << iface->actionInterface()->actionNames() << text->characterCount() << bool(edit);
    int s = 0, e = 0;
    const int length = int(field->text().size());
    for (int i = -1; i <= length + 1; ++i)
        out << text->text(i, i + 2) << text->characterRect(i)
            << text->offsetAtPoint(field->mapToGlobal(QPoint(4 + 7 * i, 8)));
    for (int i = 0; i < length; ++i)
        out << text->textAtOffset(i, QAccessible::CharBoundary, &s, &e) << s;
    text->setSelection(0, 1, 3);
    text->selection(0, &s, &e);
    out << s << e << text->selectionCount();
    text->removeSelection(0);
    text->addSelection(0, 2);
    text->selection(0, &s, &e);
    out << e << text->selectionCount();
    text->setCursorPosition(2);
    out << text->cursorPosition();
    text->scrollToSubstring(1, 3);
    out << text->cursorPosition();
    // Inside the text: past its end, Qt's own interface pads the field with spaces.
    edit->insertText(qMin(1, length), QStringLiteral("9"));
    out << field->text();
    edit->deleteText(0, 1);
    out << field->text();
    edit->replaceText(0, 2, QStringLiteral("77"));
    out << field->text();
    iface->setText(QAccessible::Value, QStringLiteral("123"));
    out << field->text();
    iface->setText(QAccessible::Value, QStringLiteral("abc"));
    out << field->text() << iface->text(QAccessible::Value);
    return d;
}

// A field's text and, "-" or read(), at offsets -1 (the end of the text, where a screen reader
// puts the caret after the last digit), 0, 1 ... length + 1: the character before, at and after
// each, and the line at each (also the word, sentence, paragraph and no boundary).
struct Holding
{
    QString field, text, charBefore, charAt, charAfter, lineAt;
};

// One call of a client on a field holding "20" of at most 4: what it leaves,
// answer|text|selection|caret.
struct Call
{
    QString call;
    int a, b;
    QString inserted, left;
};

} // namespace

Q_DECLARE_METATYPE(Holding)
Q_DECLARE_METATYPE(Call)

class TestFieldAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyBoundaryAndOffset_data()
    {
        QTest::addColumn<Holding>("h");
        const auto holding = [](const Holding &h) {
            QTest::addRow(h.text.isEmpty() ? "%s empty" : "%s holding %s", qPrintable(h.field),
                          qPrintable(h.text))
                << h;
        };
        for (const char *field : {"Text1", "Text4"})
            holding({field, "2001", "1@3 - 2@0 0@1 0@2 1@3 -", "- 2@0 0@1 0@2 1@3 - -",
                     "- 0@1 0@2 1@3 - - -", "2001@0 2001@0 2001@0 2001@0 2001@0 2001@0 -"});
        holding({"Text2", "03", "3@1 - 0@0 3@1 -", "- 0@0 3@1 - -", "- 3@1 - - -",
                 "03@0 03@0 03@0 03@0 -"});
        holding({"Text3", "11", "1@1 - 1@0 1@1 -", "- 1@0 1@1 - -", "- 1@1 - - -",
                 "11@0 11@0 11@0 11@0 -"});
        holding({"Text5", "070", "0@2 - 0@0 7@1 0@2 -", "- 0@0 7@1 0@2 - -", "- 7@1 0@2 - - -",
                 "070@0 070@0 070@0 070@0 070@0 -"});
        for (const char *field : {"Text1", "Text2", "Text3", "Text4", "Text5"})
            holding({field, "", "- - -", "- - -", "- - -", "- - -"});
    }
    // A word at the end of the text (the caret after the last digit) used to never return: the
    // test program's own watchdog (QTEST_FUNCTION_TIMEOUT) fails it then. Nothing comes before
    // or after a field's one line. The field keeps Qt's role and editing.
    void everyBoundaryAndOffset()
    {
        QFETCH(Holding, h);
        ShownWindow form;
        QVERIFY(form.load());
        auto *edit = get<QLineEdit>(form, h.field);
        QAccessibleInterface *field = QAccessible::queryAccessibleInterface(edit);
        QCOMPARE(field->role(), QAccessible::EditableText);
        QVERIFY(field->editableTextInterface());
        field->editableTextInterface()->insertText(0, h.text);
        QTRY_COMPARE(edit->text(), h.text); // outside the focus field, once the call returned
        edit->setCursorPosition(0);         // away from the end, which -1 names
        QAccessibleTextInterface *iface = field->textInterface();
        QVERIFY(iface);
        // One run without attributes spans the text: read run by run, it keeps every digit.
        QStringList runs;
        for (int offset = 0; offset <= h.text.size(); ++offset) {
            int s = -2, e = -2;
            const QString attributes = iface->attributes(offset, &s, &e);
            runs << attributes + QStringLiteral("@%1..%2").arg(s).arg(e);
        }
        QCOMPARE(runs, QStringList(h.text.size() + 1, QStringLiteral("@0..%1").arg(h.text.size())));
        const QString nothing = QStringList(h.text.size() + 3, QStringLiteral("-")).join(u' ');
        const QList<std::pair<QAccessible::TextBoundaryType, const char *>> boundaries = {
            {QAccessible::CharBoundary, "char"},           {QAccessible::WordBoundary, "word"},
            {QAccessible::SentenceBoundary, "sentence"},   {QAccessible::LineBoundary, "line"},
            {QAccessible::ParagraphBoundary, "paragraph"}, {QAccessible::NoBoundary, "none"}};
        QStringList got, want;
        for (const auto &[boundary, name] : boundaries) {
            const bool character = boundary == QAccessible::CharBoundary;
            const std::tuple<Read, const char *, QString> reads[] = {
                {&QAccessibleTextInterface::textBeforeOffset, "before",
                 character ? h.charBefore : nothing},
                {&QAccessibleTextInterface::textAtOffset, "at", character ? h.charAt : h.lineAt},
                {&QAccessibleTextInterface::textAfterOffset, "after",
                 character ? h.charAfter : nothing}};
            for (const auto &[how, where, expected] : reads) {
                QStringList line{QStringLiteral("%1 %2:").arg(QLatin1String(name), where)};
                for (int offset = -1; offset <= h.text.size() + 1; ++offset)
                    line << read(iface, how, boundary, offset);
                got << line.join(u' ');
                want << line.constFirst() + u' ' + expected;
            }
        }
        QCOMPARE(got, want);
        edit->setCursorPosition(1); // -2 is the caret, as in Qt's line edit: here as 1
        QCOMPARE(
            read(iface, &QAccessibleTextInterface::textAtOffset, QAccessible::CharBoundary, -2),
            h.charAt.section(u' ', 2, 2));
    }

    void everythingElseIsQts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("digits") << "2001";
        QTest::newRow("empty") << "";
    }
    // A twin without the program's interface gets Qt's own. The program's interface replaces
    // one Qt had made for the field before: its word at the end returns.
    void everythingElseIsQts()
    {
        QFETCH(QString, text);
        QLineEdit ours, qts;
        QVERIFY(QAccessible::queryAccessibleInterface(&ours));
        koyomix::useFieldTextInterface(&ours);
        for (QLineEdit *field : {&ours, &qts}) {
            field->setGeometry(40, 30, 120, 24);
            field->setAccessibleName(QStringLiteral("通日"));
            field->setText(text);
        }
        QCOMPARE(read(QAccessible::queryAccessibleInterface(&ours)->textInterface(),
                      &QAccessibleTextInterface::textAtOffset, QAccessible::WordBoundary, -1),
                 text.isEmpty() ? QStringLiteral("-") : text + "@0");
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
        QTest::addColumn<Call>("c");
        const int after = 3; // length + 1
        const auto row = [](const char *name, const Call &c) { QTest::newRow(name) << c; };
        row("text(INT_MIN, length+1): end - start overflowed",
            {"text", INT_MIN, after, {}, "20|20||2"});
        row("text(-1, INT_MAX): end - start overflowed", {"text", -1, INT_MAX, {}, "20|20||2"});
        row("setSelection(INT_MIN, length+1) selects nothing",
            {"setSelection", INT_MIN, after, {}, "|20|20|2"});
        row("setSelection(-1, INT_MAX) selects nothing",
            {"setSelection", -1, INT_MAX, {}, "|20|20|2"});
        row("addSelection(INT_MAX, INT_MIN): end - start overflowed",
            {"addSelection", INT_MAX, INT_MIN, {}, "|20|20|0"});
        row("addSelection(length+1, -1) selects nothing",
            {"addSelection", after, -1, {}, "|20|20|0"});
        row("characterRect(INT_MAX): offset + 1 overflowed",
            {"characterRect", INT_MAX, 0, {}, "|20||2"});
        row("deleteText(INT_MIN, INT_MAX): end - start overflowed",
            {"deleteText", INT_MIN, INT_MAX, {}, "|||0"});
        row("deleteText(-1, length+1) keeps a digit", {"deleteText", -1, after, {}, "|||0"});
        row("insertText(INT_MIN) inserts nothing", {"insertText", INT_MIN, 0, "9", "|920||3"});
        row("insertText(-1) inserts nothing", {"insertText", -1, 0, "9", "|920||3"});
        row("insertText(length+1) pads with a space", {"insertText", after, 0, "9", "|209||3"});
        row("insertText(INT_MAX) pads 2^31 spaces", {"insertText", INT_MAX, 0, "9", "|209||3"});
        row("replaceText(INT_MIN, INT_MAX): end - start overflowed",
            {"replaceText", INT_MIN, INT_MAX, "9", "|9||1"});
        row("replaceText(-1, length+1) replaces nothing", {"replaceText", -1, after, "9", "|9||1"});
        // What a client inserts is cut to the room left, as a paste into the field is.
        row("insertText beyond the maximum length drops the field's own digits",
            {"insertText", 0, 0, "123456", "|1220||4"});
        row("replaceText beyond the maximum length drops what follows",
            {"replaceText", 0, 1, "34567", "|3450||4"});
        const QChar controls[] = {u'\0', u'\t', u'\x1b', u'9', u'\x7f'};
        row("NUL and other control characters enter the field",
            {"insertText", 2, 0, QString(controls, 5), "|209||3"});
    }
    void everyArgumentIsBounded()
    {
        QFETCH(Call, c);
        QLineEdit field;
        field.setMaxLength(4);
        field.setText(QStringLiteral("20"));
        koyomix::useFieldTextInterface(&field);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&field);
        QAccessibleTextInterface *text = iface->textInterface();
        QAccessibleEditableTextInterface *edit = iface->editableTextInterface();
        QString answer;
        if (c.call == u"text")
            answer = text->text(c.a, c.b);
        else if (c.call == u"characterRect")
            answer = text->characterRect(c.a).isEmpty() ? QString() : QStringLiteral("a rectangle");
        else if (c.call == u"setSelection")
            text->setSelection(0, c.a, c.b);
        else if (c.call == u"addSelection")
            text->addSelection(c.a, c.b);
        else if (c.call == u"deleteText")
            edit->deleteText(c.a, c.b);
        else if (c.call == u"insertText")
            edit->insertText(c.a, c.inserted);
        else if (c.call == u"replaceText")
            edit->replaceText(c.a, c.b, c.inserted);
        QCOMPARE(QStringLiteral("%1|%2|%3|%4")
                     .arg(answer, field.text(), field.selectedText())
                     .arg(field.cursorPosition()),
                 c.left);
    }
};

QTEST_MAIN(TestFieldAccess)
#include "tst_fieldaccess.moc"
