#include "app/resultcopy.h"

#include "a11y/accessiblefactory.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

namespace {

void copy(const QString &text)
{
    // An empty result has nothing to copy; copying it would only wipe the clipboard.
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void showResultMenu(QLabel *label, const QPoint &globalPos)
{
    auto *menu = new QMenu(label);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *entry = menu->addAction(QStringLiteral("コピー(&C)"));
    entry->setEnabled(!label->text().isEmpty());
    // Copies the selected part of the result, or all of it when nothing is selected.
    QObject::connect(entry, &QAction::triggered, label, [label] {
        copy(label->hasSelectedText() ? label->selectedText() : label->text());
    });
    // A popup: the focused field keeps the focus, seeing only a Qt::PopupFocusReason focus loss.
    menu->popup(globalPos);
}

// The field's own menu (undo, cut, copy, paste...) with the row's copy below it.
void showFieldMenu(QLineEdit *field, QAction *rowCopy, QLabel *first, const QPoint &pos)
{
    QMenu *menu = field->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    menu->addAction(rowCopy);
    rowCopy->setEnabled(!first->text().isEmpty());
    // Enabled again before a chosen entry runs, so that its shortcut keeps working.
    QObject::connect(menu, &QMenu::aboutToHide, rowCopy, [rowCopy] { rowCopy->setEnabled(true); });
    menu->popup(field->mapToGlobal(pos));
}

} // namespace

void koyomix::makeResultCopyable(QLabel *label)
{
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // setTextInteractionFlags has just given the label click focus; take it back.
    label->setFocusPolicy(Qt::NoFocus);
    // A selectable QLabel of Qt 6.4 shows no menu of its own, so it gets this one.
    label->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        label, &QWidget::customContextMenuRequested, label,
        [label](const QPoint &pos) { showResultMenu(label, label->mapToGlobal(pos)); });
    // A tool copies the whole result, as the menu does with nothing selected.
    auto *whole = new QAction(QStringLiteral("コピー(&C)"), label);
    whole->setObjectName(QStringLiteral("Copy"));
    QObject::connect(whole, &QAction::triggered, label, [label] { copy(label->text()); });
    label->addAction(whole);
    offerLabelActions(label);
}

// Ctrl+Shift+C: Ctrl+C stays the field's copy of its own selection, and Qt has no standard key
// for a second copy; terminals use this one for theirs.
void koyomix::makeRowResultsCopyable(std::initializer_list<QWidget *> row, QLabel *first,
                                     QLabel *second)
{
    const QKeySequence key(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    // The key in the text, as the field's own entries have theirs: a screen reader reads it
    // with the entry's name.
    auto *rowCopy = new QAction(
        QStringLiteral("結果をコピー(&K)\t") + key.toString(QKeySequence::NativeText), first);
    rowCopy->setShortcut(key);
    rowCopy->setShortcutContext(Qt::WidgetShortcut);
    // Both results on one line, as the screen reader speaks them.
    QObject::connect(rowCopy, &QAction::triggered, first, [first, second] {
        copy(first->text().isEmpty() ? QString() : first->text() + u' ' + second->text());
    });
    for (QWidget *control : row) {
        control->addAction(rowCopy);
        auto *field = qobject_cast<QLineEdit *>(control);
        if (!field)
            continue;
        field->setContextMenuPolicy(Qt::CustomContextMenu);
        QObject::connect(field, &QWidget::customContextMenuRequested, field,
                         [=](const QPoint &pos) { showFieldMenu(field, rowCopy, first, pos); });
        // Shift+F10 sends what the Menu key sends: a keyboard menu request at the caret.
        auto *menuKey = new QAction(field);
        menuKey->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10));
        menuKey->setShortcutContext(Qt::WidgetShortcut);
        QObject::connect(menuKey, &QAction::triggered, field, [field] {
            const QPoint caret = field->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
            QContextMenuEvent request(QContextMenuEvent::Keyboard, caret,
                                      field->mapToGlobal(caret));
            QCoreApplication::sendEvent(field, &request);
        });
        field->addAction(menuKey);
    }
}
