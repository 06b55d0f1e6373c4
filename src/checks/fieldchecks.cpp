// The lost-focus handlers and the five check members of Form1.
#include "app/form1.h"

qint16 Form1::chkYYYY(const QString &) { return 0; }
qint16 Form1::chkMM(const QString &) { return 0; }
qint16 Form1::chkDD(const QString &) { return 0; }
qint16 Form1::chkYYYY2(const QString &) { return 0; }
qint16 Form1::chkDDD(const QString &) { return 0; }

void Form1::Text1_LostFocus() {}
void Form1::Text2_LostFocus() {}
void Form1::Text3_LostFocus() {}
void Form1::Text4_LostFocus() {}
void Form1::Text5_LostFocus() {}
