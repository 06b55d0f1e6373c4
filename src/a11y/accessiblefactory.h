#pragma once

#include <functional>

class QAccessibleInterface;
class QLabel;
class QLineEdit;
class QString;
class QWidget;

namespace koyomix {

class ResultAnnouncer;

// Every accessible interface of the program's own comes from one factory, asked before Qt's:
// a digit field's text (fieldtext.cpp), the result announcer's notification
// (resultannouncer.cpp), the window's frame and a label's actions (labelactions.cpp).
void installAccessibleFactory();

// Gives a digit field the program's text interface, replacing one Qt made for it before.
void useFieldTextInterface(QLineEdit *field);

// Shows a top-level widget as a frame named by its caption, where a screen reader looks for the
// title bar and tools look for an application's windows; Qt shows a plain QWidget window as a
// client area (a filler on AT-SPI). Its children, names and events stay Qt's.
void showAsFrame(QWidget *window);

// Offers each QAction added to `label` to assistive tools as an action of the label, named by
// the QAction's object name and telling its shortcut; a tool's call runs it once the call has
// returned, and not at all behind a modal box. The label's name, role and description stay as
// Qt gives them to any label.
void offerLabelActions(QLabel *label);

// A client's edit of a digit field: the field's new text, made from the text the field holds
// when the edit is applied, so that edits applied in order each find what the earlier ones left.
using FieldEdit = std::function<QString()>;
// Where the client's edits of `field` go; with no route (the default) each is applied at once.
using FieldEditRoute = std::function<void(FieldEdit edit)>;
void routeFieldEdits(QLineEdit *field, FieldEditRoute route);

// The interfaces the factory makes.
QAccessibleInterface *fieldTextInterface(QLineEdit *field);
QAccessibleInterface *announcementInterface(ResultAnnouncer *announcer);
QAccessibleInterface *labelActionsInterface(QLabel *label);

} // namespace koyomix
