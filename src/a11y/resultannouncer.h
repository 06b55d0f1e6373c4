#pragma once

#include <QObject>
#include <QString>

namespace koyomix {

// Speaks a new result through the screen reader without moving the focus: an accessible
// notification, shown to the accessibility bus whenever a result is announced. Screen
// readers speak a notification that appears, and leave alone the name changes of labels
// that do not have the focus. It is a plain object, not a widget: it takes no place in the
// window's layout or Tab order, and draws nothing.
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
