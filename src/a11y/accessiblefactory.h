#pragma once

#include <functional>

class QAccessibleInterface;
class QLineEdit;
class QString;

namespace koyomix {

class ResultAnnouncer;

// Every accessible interface of the program's own comes from one factory, asked before Qt's:
// a digit field's text (fieldtext.cpp) and the result announcer's notification
// (resultannouncer.cpp).
void installAccessibleFactory();

// Gives a digit field the program's text interface, replacing one Qt made for it before.
void useFieldTextInterface(QLineEdit *field);

// Where a client's edit of a digit field goes: `route` gets the field and its whole new text.
// Until one is given, the text is set at once.
using FieldEditRoute = std::function<void(QLineEdit *field, const QString &text)>;
void routeFieldEdits(FieldEditRoute route);

// The interfaces the factory makes.
QAccessibleInterface *fieldTextInterface(QLineEdit *field);
QAccessibleInterface *announcementInterface(ResultAnnouncer *announcer);

} // namespace koyomix
