// What a screen reader reads and edits in a digit field: Qt's own line-edit answers (its class is
// not exported) for a field that shows its text and has no validator or placeholder, as the five
// fields are, but for the text around an offset, which never enters Qt's word loop (it never
// returns for a word at the end of the text), and the attributes, one run over the whole text.
// Offsets a client sends are clamped to the text, and what it inserts is cut to the field's room.
// Beyond this, Qt's AT-SPI adaptor acts before asking: GetRangeExtents asks characterRect for
// every offset of the client's range, and InsertText first resizes the text to the client's length.
#include "a11y/accessiblefactory.h"

#include <QAccessibleWidget>
#include <QHash>
#include <QLineEdit>
#include <QTextLayout>

#include <algorithm>

namespace koyomix {

namespace {

QHash<const QLineEdit *, FieldEditRoute> routes;

// A client's replacement of a range of `current`: offsets clamped to the text, and of the new
// text only its characters of text, cut to the field's room as a paste into the field is. NUL,
// control and format characters never enter, nor do surrogates: a digit field takes none of
// them, and a lone one is not text.
QString replaced(QString current, int maxLength, int startOffset, int endOffset,
                 const QString &text)
{
    const int start = std::clamp(startOffset, 0, int(current.size()));
    const int end = std::clamp(endOffset, start, int(current.size()));
    const int room = maxLength - int(current.size()) + (end - start);
    QString kept;
    for (const QChar c : text) {
        if (kept.size() >= room)
            break;
        if (c.isPrint())
            kept += c;
    }
    return current.replace(start, end - start, kept);
}

class FieldText : public QAccessibleWidget,
                  public QAccessibleTextInterface,
                  public QAccessibleEditableTextInterface
{
public:
    explicit FieldText(QLineEdit *field) : QAccessibleWidget(field, QAccessible::EditableText)
    {
        addControllingSignal(QStringLiteral("textChanged(const QString&)"));
        addControllingSignal(QStringLiteral("returnPressed()"));
    }

    QString text(QAccessible::Text t) const override
    {
        const QString value = t == QAccessible::Value ? field()->text() : QString();
        return value.isEmpty() ? QAccessibleWidget::text(t) : value;
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t == QAccessible::Value)
            replaceText(0, characterCount(), text);
        else
            QAccessibleWidget::setText(t, text);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.selectableText = true;
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (t == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // Caret and selection: one selection at most.
    int cursorPosition() const override { return field()->cursorPosition(); }
    void setCursorPosition(int position) override { field()->setCursorPosition(position); }
    int selectionCount() const override { return field()->hasSelectedText() ? 1 : 0; }
    void selection(int index, int *startOffset, int *endOffset) const override
    {
        *startOffset = index == 0 ? field()->selectionStart() : 0;
        *endOffset = index == 0 ? field()->selectionEnd() : 0;
    }
    void addSelection(int startOffset, int endOffset) override
    {
        setSelection(0, startOffset, endOffset);
    }
    void setSelection(int index, int startOffset, int endOffset) override
    {
        const int start = bound(startOffset);
        if (index == 0)
            field()->setSelection(start, bound(endOffset) - start);
    }
    void removeSelection(int index) override
    {
        if (index == 0)
            field()->deselect();
    }

    QString text(int startOffset, int endOffset) const override
    {
        const int start = bound(startOffset);
        const int end = bound(endOffset);
        return start < end ? field()->text().mid(start, end - start) : QString();
    }
    int characterCount() const override { return field()->text().size(); }
    // One run without attributes over the whole text. Qt's line edit answers an empty run at
    // the offset itself, and a screen reader that reads a line run by run drops its last digit.
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        const bool inText = offset >= 0 && offset <= characterCount();
        *startOffset = inText ? 0 : -1;
        *endOffset = inText ? characterCount() : -1;
        return QString();
    }
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override
    {
        return field()->cursorPositionAt(field()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override
    {
        field()->setCursorPosition(endIndex);
        field()->setCursorPosition(startIndex);
    }

    // A field holds one line without spaces, so every boundary but a character's is that
    // line, which Qt's defaults answer without a loop. Offset -2 is the caret, as in Qt's
    // line edit; the defaults take -1 as the end of the text.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override
    {
        return QAccessibleTextInterface::textBeforeOffset(caret(offset), line(boundary),
                                                          startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override
    {
        return QAccessibleTextInterface::textAtOffset(caret(offset), line(boundary), startOffset,
                                                      endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override
    {
        return QAccessibleTextInterface::textAfterOffset(caret(offset), line(boundary), startOffset,
                                                         endOffset);
    }

    void deleteText(int startOffset, int endOffset) override
    {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        QLineEdit *edited = field();
        FieldEdit edit = [edited, startOffset, endOffset, text] {
            return replaced(edited->text(), edited->maxLength(), startOffset, endOffset, text);
        };
        if (const FieldEditRoute route = routes.value(edited))
            route(std::move(edit));
        else
            edited->setText(edit());
    }

private:
    QLineEdit *field() const { return static_cast<QLineEdit *>(object()); }
    int bound(int offset) const { return std::clamp(offset, 0, characterCount()); }
    int caret(int offset) const { return offset == -2 ? cursorPosition() : offset; }
    static QAccessible::TextBoundaryType line(QAccessible::TextBoundaryType boundary)
    {
        return boundary == QAccessible::CharBoundary ? boundary : QAccessible::LineBoundary;
    }
};

// Where Qt's line edit draws the character: its x in the field's one-line text layout, which
// has no alignment and no scrolling (Qt reads the same layout from the field's private part).
QRect FieldText::characterRect(int offset) const
{
    if (offset < 0 || offset >= characterCount())
        return QRect();
    QTextLayout layout(field()->text(), field()->font());
    QTextOption option = layout.textOption();
    option.setTextDirection(field()->layoutDirection());
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout.setTextOption(option);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    const QFontMetrics fm(field()->font());
    QRect r(static_cast<int>(line.cursorToX(offset)), field()->textMargins().top(),
            fm.horizontalAdvance(field()->text().at(offset)), fm.height());
    r.moveTo(field()->mapToGlobal(r.topLeft()));
    return r;
}

} // namespace

void routeFieldEdits(QLineEdit *field, FieldEditRoute route)
{
    routes[field] = std::move(route);
}

QAccessibleInterface *fieldTextInterface(QLineEdit *field)
{
    return new FieldText(field);
}

} // namespace koyomix
