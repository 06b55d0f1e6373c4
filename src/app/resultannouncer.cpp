#include "app/resultannouncer.h"

#include <QAccessible>
#include <QAccessibleObject>

namespace koyomix {

namespace {

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

QAccessibleInterface *announcementFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(ResultAnnouncer::staticMetaObject.className()))
        return new AnnouncementInterface(static_cast<ResultAnnouncer *>(object));
    return nullptr;
}

} // namespace

ResultAnnouncer::ResultAnnouncer(QObject *window) : QObject(window)
{
    QAccessible::installFactory(announcementFactory);
}

void ResultAnnouncer::announce(const QString &text)
{
    m_text = text;
    // Shown again for every result: Orca speaks each showing, also of the same text.
    QAccessibleEvent show(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&show);
}

} // namespace koyomix
