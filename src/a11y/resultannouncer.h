#pragma once

#include <QObject>
#include <QString>

namespace koyomix {

// Speaks a new result without moving the focus: an accessible notification, shown to the
// accessibility bus for every result. Screen readers speak a notification that appears, and
// leave alone the name changes of labels without the focus. A plain object, not a widget: it
// takes no place in the window's layout or Tab order, and draws nothing.
class ResultAnnouncer : public QObject
{
    Q_OBJECT

public:
    explicit ResultAnnouncer(QObject *window);

    void announce(const QString &text);
    QString text() const { return m_text; }

private:
    QString m_text;
};

} // namespace koyomix
