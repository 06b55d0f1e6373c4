#include "a11y/resultannouncer.h"

#include "a11y/accessiblefactory.h"

#include <QAccessible>
#include <QAccessibleObject>

namespace koyomix {

namespace {

// The notification a screen reader sees: role Notification, the last result as its name.
class AnnouncementInterface : public QAccessibleObject
{
public:
    explicit AnnouncementInterface(ResultAnnouncer *announcer) : QAccessibleObject(announcer) {}

    QAccessible::Role role() const override { return QAccessible::Notification; }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? announcer()->text() : QString();
    }
    QAccessible::State state() const override { return {}; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(announcer()->parent());
    }
    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

private:
    ResultAnnouncer *announcer() const { return static_cast<ResultAnnouncer *>(object()); }
};

} // namespace

ResultAnnouncer::ResultAnnouncer(QObject *window) : QObject(window)
{
    installAccessibleFactory();
}

void ResultAnnouncer::announce(const QString &text)
{
    m_text = text;
    // Shown again for every result: Orca speaks each showing, also of the same text.
    QAccessibleEvent show(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&show);
}

QAccessibleInterface *announcementInterface(ResultAnnouncer *announcer)
{
    return new AnnouncementInterface(announcer);
}

} // namespace koyomix
