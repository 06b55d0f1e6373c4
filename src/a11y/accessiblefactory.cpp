#include "a11y/accessiblefactory.h"

#include "a11y/resultannouncer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>
#include <QLineEdit>

namespace koyomix {

namespace {

// Marks a field for the field text interface, and a window for the frame: both are plain
// widgets from the .ui file and Form1.
constexpr char kFieldText[] = "koyomixFieldText";
constexpr char kFrame[] = "koyomixFrame";
constexpr char kLabelActions[] = "koyomixLabelActions";

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String(ResultAnnouncer::staticMetaObject.className()))
        return announcementInterface(static_cast<ResultAnnouncer *>(object));
    if (className == QLatin1String("QLineEdit") && object->property(kFieldText).toBool())
        return fieldTextInterface(static_cast<QLineEdit *>(object));
    if (className == QLatin1String("QLabel") && object->property(kLabelActions).toBool())
        return labelActionsInterface(static_cast<QLabel *>(object));
    if (className == QLatin1String("QWidget") && object->property(kFrame).toBool())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

// Qt keeps one interface per object, and one made before the object was marked (events sent
// while a screen reader listens make them) is Qt's: whichever is there goes, the next is ours.
void mark(QObject *object, const char *marker)
{
    installAccessibleFactory();
    object->setProperty(marker, true);
    if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

} // namespace

void installAccessibleFactory()
{
    // Factories are asked from the last installed, so this one comes before Qt's widgets.
    [[maybe_unused]] static const bool installed = (QAccessible::installFactory(factory), true);
}

void useFieldTextInterface(QLineEdit *field)
{
    mark(field, kFieldText);
}

void showAsFrame(QWidget *window)
{
    mark(window, kFrame);
}

void offerLabelActions(QLabel *label)
{
    mark(label, kLabelActions);
}

} // namespace koyomix
