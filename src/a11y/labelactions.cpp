// A plain-text label as Qt shows any label (a static text named by its caption, unless it has a
// name of its own), with the QActions added to it as its actions.
#include "a11y/accessiblefactory.h"

#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace koyomix {

namespace {

class LabelActions : public QAccessibleWidget
{
public:
    explicit LabelActions(QLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override
    {
        QStringList names;
        for (const QAction *action : widget()->actions())
            names << action->objectName();
        return names;
    }
    QString localizedActionName(const QString &name) const override
    {
        const QAction *action = find(name);
        return action ? action->iconText() : QString();
    }
    QString localizedActionDescription(const QString &name) const override
    {
        return localizedActionName(name);
    }
    QStringList keyBindingsForAction(const QString &name) const override
    {
        const QAction *action = find(name);
        if (!action || action->shortcut().isEmpty())
            return {};
        return {action->shortcut().toString()};
    }
    // Nothing behind a modal box, where a click would not reach the label either; otherwise run
    // later, so that a tool waiting for the call's answer is not held by a box the action opens.
    void doAction(const QString &name) override
    {
        QAction *action = find(name);
        if (action && !QApplication::activeModalWidget())
            QTimer::singleShot(0, action, [action] { action->trigger(); });
    }

private:
    QAction *find(const QString &name) const
    {
        for (QAction *action : widget()->actions())
            if (action->objectName() == name)
                return action;
        return nullptr;
    }
};

} // namespace

QAccessibleInterface *labelActionsInterface(QLabel *label)
{
    return new LabelActions(label);
}

} // namespace koyomix
