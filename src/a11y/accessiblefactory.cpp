#include "a11y/accessiblefactory.h"

#include "a11y/resultannouncer.h"

#include <QAccessible>
#include <QLineEdit>

namespace koyomix {

namespace {

// Marks a field for the field text interface: the fields are plain QLineEdits from the .ui file.
constexpr char kFieldText[] = "koyomixFieldText";

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className == QLatin1String(ResultAnnouncer::staticMetaObject.className()))
        return announcementInterface(static_cast<ResultAnnouncer *>(object));
    if (className == QLatin1String("QLineEdit") && object->property(kFieldText).toBool())
        return fieldTextInterface(static_cast<QLineEdit *>(object));
    return nullptr;
}

} // namespace

void installAccessibleFactory()
{
    // Factories are asked from the last installed, so this one comes before Qt's widgets.
    [[maybe_unused]] static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
}

void useFieldTextInterface(QLineEdit *field)
{
    installAccessibleFactory();
    field->setProperty(kFieldText, true);
    // Qt keeps one interface per object, and one made before the field was marked (events sent
    // while a screen reader listens make them) is Qt's: whichever is there goes, the next is ours.
    if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(field))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

} // namespace koyomix
