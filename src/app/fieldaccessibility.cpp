#include "app/fieldaccessibility.h"

#include <QAccessibleWidget>
#include <QLineEdit>
#include <QTextLayout>
#include <QValidator>

#include <algorithm>

namespace {

const char kFieldProperty[] = "koyomixFieldText";

// Qt's line-edit interface is private to Qt (not exported), so this is a copy of it, written on
// QLineEdit's public API to answer as Qt 6.4 does. What differs: textBefore/At/AfterOffset, the
// attribute runs, and every offset a client sends (any int) is clamped to the text first.
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
        QString str;
        if (t == QAccessible::Value && field()->echoMode() == QLineEdit::Normal)
            str = field()->text();
        else if (t == QAccessible::Value && field()->echoMode() != QLineEdit::NoEcho)
            str = QString(field()->text().size(), QLatin1Char('*'));
        if (str.isEmpty())
            str = QAccessibleWidget::text(t);
        if (str.isEmpty() && t == QAccessible::Description)
            str = field()->placeholderText();
        return str;
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        QString newText = text;
        int pos = 0;
        if (field()->validator() &&
            field()->validator()->validate(newText, pos) != QValidator::Acceptable)
            return;
        field()->setText(newText);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        if (field()->isReadOnly())
            state.readOnly = true;
        if (field()->echoMode() != QLineEdit::Normal)
            state.passwordEdit = true;
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
        *startOffset = *endOffset = 0;
        if (index != 0)
            return;
        *startOffset = field()->selectionStart();
        *endOffset = *startOffset + field()->selectedText().size();
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
        if (start > end || field()->echoMode() != QLineEdit::Normal)
            return QString();
        return field()->text().mid(start, end - start);
    }
    int characterCount() const override { return field()->text().size(); }
    // One run without attributes over the whole text. Qt's line edit answers an empty run at
    // the offset itself, and a screen reader that reads a line run by run drops its last digit.
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        const int length = int(field()->text().size());
        const bool inText = offset >= 0 && offset <= length;
        *startOffset = inText ? 0 : -1;
        *endOffset = inText ? length : -1;
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

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                             int *endOffset) const override
    {
        return segment(offset, -1, boundary, startOffset, endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                         int *endOffset) const override
    {
        return segment(offset, 0, boundary, startOffset, endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int *startOffset,
                            int *endOffset) const override
    {
        return segment(offset, 1, boundary, startOffset, endOffset);
    }

    void deleteText(int startOffset, int endOffset) override
    {
        replaceText(startOffset, endOffset, QString());
    }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int startOffset, int endOffset, const QString &text) override
    {
        const int start = bound(startOffset);
        const int end = std::max(start, bound(endOffset));
        const int room = field()->maxLength() - characterCount() + (end - start);
        field()->setText(field()->text().replace(start, end - start, fitting(text, room)));
    }

private:
    QLineEdit *field() const { return static_cast<QLineEdit *>(object()); }
    int bound(int offset) const { return std::clamp(offset, 0, characterCount()); }
    static QString fitting(const QString &text, int room);
    QString segment(int offset, int step, QAccessible::TextBoundaryType boundary, int *startOffset,
                    int *endOffset) const;
};

// Where Qt's line edit draws the character: its x in the field's one-line text layout, which
// has no alignment and no scrolling (Qt reads the same layout from the field's private part).
QRect FieldText::characterRect(int offset) const
{
    const QString ch = offset >= 0 && offset < characterCount() ? text(offset, offset + 1) : "";
    if (ch.isEmpty())
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
            fm.horizontalAdvance(ch), fm.height());
    r.moveTo(field()->mapToGlobal(r.topLeft()));
    return r;
}

// What of a client's insertion enters a field: its characters of text, cut to `room` as a paste
// into the field is. NUL, control and format characters never enter, nor do surrogates: a digit
// field takes none of them, and a lone one is not text.
QString FieldText::fitting(const QString &text, int room)
{
    QString kept;
    for (const QChar c : text) {
        if (kept.size() >= room)
            break;
        if (c.isPrint())
            kept += c;
    }
    return kept;
}

// A field holds one line without spaces: it is one word, one sentence, one line and one
// paragraph, so only characters divide it. Offset -1 is the end of the text, where AT-SPI and
// screen readers put a caret after the last character; -2 is the caret, as Qt's line edit has
// it. An offset outside [0, length] gets an empty answer, and every empty answer (nothing at,
// before or after the offset) has start and end -1, as Qt's own text interfaces answer.
QString FieldText::segment(int offset, int step, QAccessible::TextBoundaryType boundary,
                           int *startOffset, int *endOffset) const
{
    *startOffset = *endOffset = -1;
    if (field()->echoMode() != QLineEdit::Normal)
        return QString();
    const QString text = field()->text();
    const int length = static_cast<int>(text.size());
    if (offset == -1)
        offset = length;
    else if (offset == -2)
        offset = cursorPosition();
    if (offset < 0 || offset > length)
        return QString();
    int start = 0;
    int end = length;
    if (boundary == QAccessible::CharBoundary) {
        start = offset + step;
        end = start + 1;
    } else if (step != 0) {
        return QString();
    }
    if (start < 0 || end > length || start >= end)
        return QString();
    *startOffset = start;
    *endOffset = end;
    return text.mid(start, end - start);
}

QAccessibleInterface *fieldFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QLineEdit") || !object->property(kFieldProperty).toBool())
        return nullptr;
    return new FieldText(static_cast<QLineEdit *>(object));
}

} // namespace

void koyomix::useFieldTextInterface(QLineEdit *field)
{
    // Factories are asked from the last installed, so this one comes before Qt's widgets.
    static const bool installed = [] {
        QAccessible::installFactory(fieldFactory);
        return true;
    }();
    Q_UNUSED(installed);
    field->setProperty(kFieldProperty, true);
    // Qt keeps one interface per object. One made before the field was marked (events sent
    // while a screen reader listens make them) is Qt's: dropped, the next query makes ours.
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field);
    if (iface && !dynamic_cast<FieldText *>(iface))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}
