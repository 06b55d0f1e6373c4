#include "app/form1.h"
#include "desktop/desktopsession.h"
#include "desktop/qttranslations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    koyomix::chooseWindowSystem();
    koyomix::chooseInputMethod();
    QApplication app(argc, argv);
    koyomix::keepWindowsInPlace(app);
    // Lets the desktop match the window to its entry (and icon) in the applications menu.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.koyomix.Koyomix"));
    koyomix::installQtTranslations(app);
    Form1 form;
    form.Form_Load();
    return app.exec();
}
