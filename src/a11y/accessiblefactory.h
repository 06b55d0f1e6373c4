#pragma once

class QAccessibleInterface;
class QLineEdit;

namespace koyomix {

class ResultAnnouncer;

// Every accessible interface of the program's own comes from one factory, asked before Qt's:
// a digit field's text (fieldtext.cpp) and the result announcer's notification
// (resultannouncer.cpp).
void installAccessibleFactory();

// Gives a digit field the program's text interface, replacing one Qt made for it before.
void useFieldTextInterface(QLineEdit *field);

// The interfaces the factory makes.
QAccessibleInterface *fieldTextInterface(QLineEdit *field);
QAccessibleInterface *announcementInterface(ResultAnnouncer *announcer);

} // namespace koyomix
