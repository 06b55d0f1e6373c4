#include "app/resultcopy.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

namespace {

void showResultMenu(QLabel *label, const QPoint &globalPos)
{
    auto *menu = new QMenu(label);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *copy = menu->addAction(QStringLiteral("コピー(&C)"));
    // An empty result has nothing to copy; copying it would only wipe the clipboard.
    copy->setEnabled(!label->text().isEmpty());
    // Copies the selected part of the result, or all of it when nothing is selected.
    QObject::connect(copy, &QAction::triggered, label, [label] {
        const QString text = label->hasSelectedText() ? label->selectedText() : label->text();
        if (!text.isEmpty())
            QGuiApplication::clipboard()->setText(text);
    });
    // A popup: the focused field keeps the focus, seeing only a Qt::PopupFocusReason focus loss.
    menu->popup(globalPos);
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
}
